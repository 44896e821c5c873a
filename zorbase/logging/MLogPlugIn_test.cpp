#include <zorbase/logging/MLogPlugIn.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log4cxx_objects.h>
#include <zorbase/logging/internal/log_test_support.h>

using zb::logtest::DebugCapture;
using zb::logtest::RecordingWindow;

SUITE(MLogPlugIn) {

TEST(FreePlugInWritesNothingAndKeepsItsMasks) {
  MLogPlugIn free_plugin(L"Free", L"no manager");
  CHECK(!free_plugin.Info(L"x"));
  CHECK(!free_plugin.InfoF(L"%d", 1));  // enabled level, but no manager
  CHECK(free_plugin.TraceF(L"%d", 1));  // level off: true without formatting a result
  CHECK_EQUAL(7, free_plugin.GetLevel(kLogChannelWindow));
  free_plugin.SetLevel(kLogChannelWindow, 15);
  CHECK_EQUAL(7, free_plugin.GetLevel(kLogChannelWindow));
}

TEST(PlainAndFormattedFormsDifferForAMaskedLevel) {
  MLogManager manager;
  MLogPlugIn plugin(L"Forms", L"masks 7");
  CHECK(!plugin.Trace(L"held back"));
  CHECK(plugin.TraceF(L"held back %d", 1));
  CHECK(plugin.Info(L"passes"));
  CHECK(plugin.WarningF(L"%s", L"passes"));
  CHECK(plugin.Error(L"passes"));
}

TEST(ChannelNumbersAndMasks) {
  MLogManager manager;
  MLogPlugIn plugin(L"Masks", L"");
  CHECK(!plugin.CanPutFor(8));
  CHECK(!plugin.CanTrace());
  plugin.SetLevel(kLogChannelStd, 15);
  CHECK(plugin.CanPutFor(8));
  CHECK(plugin.CanTraceStd());
  CHECK(!plugin.CanTraceFile());
  CHECK(plugin.CanTrace());
  plugin.SetLevel(3, 1);
  CHECK_EQUAL(0, plugin.GetLevel(3));
  CHECK_EQUAL(7, plugin.GetLevel(kLogChannelFile));
  CHECK_EQUAL(7, plugin.GetLevel(kLogChannelWindow));
  CHECK_EQUAL(15, plugin.GetLevel(kLogChannelStd));
  plugin.SetLevel(kLogChannelWindow, 2);
  CHECK(plugin.CanWarningWnd());
  CHECK(!plugin.CanErrorWnd());
  CHECK(!plugin.CanInfoWnd());
}

TEST(MaskToLowestLevel) {
  struct Case {
    LONG mask;
    const char* level;
  } cases[] = {{0, "OFF"},   {1, "ERROR"},  {2, "WARN"},  {3, "WARN"},   {4, "INFO"},
               {5, "INFO"},  {7, "INFO"},   {8, "TRACE"}, {15, "TRACE"}, {16, "TRACE"},
               {-1, "TRACE"}};
  for (const Case& c : cases) {
    log4cxx::LogString name;
    zb::logging_internal::LowestLevelOfMask(c.mask)->toString(name);
    CHECK_EQUAL(c.level, name);
  }
}

TEST(SetLevelSetsTheSharedFilter) {
  const std::string path = zb::logtest::TempPath("shared.log");
  const std::wstring wide(path.begin(), path.end());
  {
    MLogManager manager;
    manager.OpenLogFile(MFileName(wide.c_str()), false);
    MLogPlugIn a(L"FilterA", L""), b(L"FilterB", L"");
    a.SetLevel(kLogChannelFile, 1);
    CHECK(a.Warning(L"a warning"));  // its mask still lets it through to log4cxx...
    CHECK(b.Warning(L"b warning"));
    b.Error(L"b error");
  }
  const std::vector<std::string> lines = zb::logtest::Lines(zb::logtest::ReadFile(path));
  CHECK_EQUAL(1u, lines.size());  // ...but the file's filter now starts at ERROR for both
  if (lines.size() == 1) CHECK(lines[0].find("FilterB|ERROR|b error") != std::string::npos);
}

TEST(FormattedTextReachesTheWindow) {
  RecordingWindow window;
  MLogManager manager;
  manager.OpenLogWnd(&window);
  MLogPlugIn plugin(L"Fmt", L"");
  CHECK(plugin.InfoF(L"%s=%d, %S", L"x", 5, "narrow"));
  CHECK_EQUAL(1u, window.entries.size());
  if (!window.entries.empty()) {
    CHECK(window.entries[0].text == L"x=5, narrow");
    CHECK_EQUAL(4, window.entries[0].level);
    CHECK(window.entries[0].id == L"Fmt");
  }
}

TEST(CopiesArePluggedAndOutliveTheirManagerSafely) {
  MLogPlugIn* copy;
  {
    RecordingWindow window;
    MLogManager manager;
    manager.OpenLogWnd(&window);
    MLogPlugIn original(L"Copied", L"original");
    original.SetLevel(kLogChannelWindow, 15);
    copy = new MLogPlugIn(original);
    CHECK_EQUAL(15, copy->GetLevel(kLogChannelWindow));
    CHECK(copy->Trace(L"through the copy"));
    CHECK_EQUAL(1u, window.entries.size());
    MLogPlugIn assigned(L"Other", L"");
    assigned = original;
    CHECK(assigned.GetID().Get() == L"Copied");
    CHECK(assigned.Warning(L"through the assigned copy"));
    CHECK_EQUAL(2u, window.entries.size());
  }
  CHECK(!copy->Info(L"free"));
  delete copy;
}

}
