// The help wrapper against help files made by a real help compiler: getting-started tips in turn
// and wrapping, help ids with and without their bases, text pop-ups, topics, announcements and
// the helper paths that stand in for the application's settings while they are read.
#include <zorbase/desktop/CHtmlHelpWrapper.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include <zorbase/afx/CWinApp.h>
#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>
#ifndef _WIN32
#include <zorbase/platform/internal/help_fixtures.h>
#endif
#include <zorbase/platform/profile.h>
#include <zorbase/strings/internal/wide_check.h>

// The help files are opened by the Linux help viewer, recorded by a stand-in xdg-open; on Windows
// the system's viewer shows them.
#ifndef _WIN32
namespace {

using zb::test::FakeOpener;
using zb::test::ScratchDir;

void Assign(LPCTSTR* member, const std::wstring& value) {
  std::free(const_cast<wchar_t*>(*member));
  *member = wcsdup(value.c_str());
}

// A host application whose help file is app.chm of the fixtures and whose profile is an INI file
// in the same folder; help calls are recorded by a stand-in xdg-open, Info lines by a log window.
class HelpHost {
 public:
  explicit HelpHost(const std::string& name)
      : dir_(name),
        fixtures_(zb::test::MakeHelpFixtures(dir_)),  // before PATH holds the stand-ins only
        opener_(name + "_bin"),
        app_(L"HelpHost") {
    Assign(&app_.m_pszHelpFilePath, dir_.Win(L"app.chm"));
    Assign(&app_.m_pszProfileName, dir_.Win(L"profile.ini"));
    manager_.OpenLogWnd(&window_);
  }
  ~HelpHost() { manager_.CloseLogWnd(); }

  bool fixtures() const { return fixtures_; }
  const ScratchDir& dir() const { return dir_; }
  CWinApp& app() { return app_; }
  // The page names opened so far ("tip1.htm", ...).
  std::vector<std::string> Opened() const {
    std::vector<std::string> pages;
    for (const std::string& call : opener_.Calls()) {
      pages.push_back(call.substr(call.rfind('/') + 1));
    }
    return pages;
  }
  // The Info lines logged so far.
  std::vector<std::wstring> Infos() const {
    std::vector<std::wstring> lines;
    for (const auto& entry : window_.entries) {
      if (entry.level == kLogLevelInfo) lines.push_back(entry.text);
    }
    return lines;
  }

 private:
  ScratchDir dir_;
  bool fixtures_;
  FakeOpener opener_;
  CWinApp app_;
  zb::logtest::RecordingWindow window_;
  MLogManager manager_;
};

std::vector<std::string> Pages(std::initializer_list<const char*> names) {
  return std::vector<std::string>(names.begin(), names.end());
}

}  // namespace
#endif  // _WIN32

SUITE(CHtmlHelpWrapper) {

#ifndef _WIN32  // help shown through the Linux viewer's stand-in opener

TEST(GettingStartedTipsComeInTurnAndWrap) {
  HelpHost host("hw_tips");
  REQUIRE CHECK(host.fixtures());
  CHtmlHelpWrapper wrapper(false);
  for (int i = 0; i < 3; ++i) wrapper.ShowGettingStarted();
  CHECK(Pages({"tip1.htm", "tip2.htm", "tip1.htm"}) == host.Opened());
  CHECK_EQUAL(32769u, host.app().GetProfileIntW(L"Tip", L"current", 0));
  wrapper.ShowGettingStarted();
  CHECK_EQUAL(32770u, host.app().GetProfileIntW(L"Tip", L"current", 0));
  CHECK_EQUAL(4u, host.Opened().size());
}

TEST(TipFilesWithoutTheTips) {
  HelpHost host("hw_notips");
  REQUIRE CHECK(host.fixtures());
  CHtmlHelpWrapper wrapper(false);
  // A tips file whose map lacks the tips (here: the application's own file) shows nothing and
  // starts again at the first tip.
  host.dir().Put("GettingStarted.chm", host.dir().Get("app.chm"));
  host.app().WriteProfileIntW(L"Tip", L"current", 32790);
  wrapper.ShowGettingStarted();
  CHECK(host.Opened().empty());
  CHECK_EQUAL(32768u, host.app().GetProfileIntW(L"Tip", L"current", 0));
  // No tips file, and one that is not a help file: the same.
  for (const char* bytes : {static_cast<const char*>(nullptr), "not a help file"}) {
    host.dir().Put("GettingStarted.chm", bytes != nullptr ? bytes : "");
    if (bytes == nullptr) std::remove(host.dir().Native("GettingStarted.chm").c_str());
    wrapper.ShowGettingStarted();
    CHECK(host.Opened().empty());
    CHECK_EQUAL(32768u, host.app().GetProfileIntW(L"Tip", L"current", 0));
  }
}

TEST(HelpIdsWithAndWithoutTheirBases) {
  HelpHost host("hw_ids");
  REQUIRE CHECK(host.fixtures());
  host.app().WriteProfileIntW(L"Tip", L"showid", 1);
  CHtmlHelpWrapper wrapper(false);
  wrapper.SetSubtractHids(true);
  CHECK(wrapper.GetSubtractHids());
  CHECK_EQUAL(1, wrapper.ShowHelp(0x20005, HH_HELP_CONTEXT));  // dialog 5
  CHECK_EQUAL(1, wrapper.ShowHelp(0x50010, HH_HELP_CONTEXT));  // controls keep their id
  CHECK_EQUAL(0, wrapper.ShowHelp(0x40001, HH_HELP_CONTEXT));  // non-client area: nothing
  CHECK_EQUAL(1, wrapper.ShowHelp(0x30001, HH_HELP_CONTEXT));  // prompt 1: not in the file
  CHECK_EQUAL(1, wrapper.ShowHelp(5, HH_HELP_CONTEXT));        // below its base: as it is
  wrapper.SetSubtractHids(false);
  CHECK_EQUAL(1, wrapper.ShowHelp(0x10007, HH_HELP_CONTEXT));
  CHECK(Pages({"dialog.htm", "control.htm", "dialog.htm", "menu.htm"}) == host.Opened());
  const std::vector<std::wstring> infos = host.Infos();
  REQUIRE CHECK_EQUAL(5u, infos.size());
  CHECK_WIDE(L"Normal dialog: 0x5", infos[0]);
  CHECK_WIDE(L"Normal control: 0x50010", infos[1]);
  CHECK_WIDE(L"Normal prompt: 0x1", infos[2]);
  CHECK_WIDE(L"Normal menuitem: 0x5", infos[3]);
  CHECK_WIDE(L"Normal menuitem: 0x10007", infos[4]);
}

TEST(OtherCommandsShowTopics) {
  HelpHost host("hw_topics");
  REQUIRE CHECK(host.fixtures());
  CHtmlHelpWrapper wrapper(false);
  CHECK_EQUAL(1, wrapper.ShowHelp(0, 11));  // the framework's "help finder": default topic
  CHECK_EQUAL(1, wrapper.ShowHelp(3, 1));   // a small number is no topic name either
  CHECK_EQUAL(1, wrapper.ShowTopic(L"control.htm", L"main"));
  CHECK_EQUAL(1, wrapper.ShowTopic(L"missing.htm", nullptr));
  wrapper.ShowTutorial();
  CHECK(Pages({"index.htm", "index.htm", "control.htm", "index.htm"}) == host.Opened());
  CHECK(host.Infos().empty());  // "showid" is off
}

TEST(TextOnlyControlsGetPopUps) {
  HelpHost host("hw_popups");
  REQUIRE CHECK(host.fixtures());
  host.app().WriteProfileIntW(L"Tip", L"showid", 1);
  CHtmlHelpWrapper wrapper(false);
  wrapper.AddToTextOnly(1001);
  wrapper.AddToTextOnly(0xFFFF);
  CHECK(wrapper.IsTextOnlyHelp(1001));
  CHECK(!wrapper.IsTextOnlyHelp(1002));
  HELPINFO info = {sizeof(HELPINFO), HELPINFO_WINDOW, 1001, nullptr, 1001, {10, 20}};
  CHECK_EQUAL(1, wrapper.ShowHelp(&info));
  info.iCtrlId = 0xFFFF;  // a static label
  CHECK_EQUAL(1, wrapper.ShowHelp(&info));
  info.iCtrlId = 77;  // not text-only: the viewer's topic for the id, unchanged
  info.dwContextId = 0x50010;
  CHECK_EQUAL(1, wrapper.ShowHelp(&info));
  info.dwContextId = 0x40002;
  CHECK_EQUAL(1, wrapper.ShowHelp(&info));
  CHECK_EQUAL(0, wrapper.ShowHelp(static_cast<HELPINFO*>(nullptr)));
  CHECK(Pages({"control.htm"}) == host.Opened());
  const std::vector<std::wstring> infos = host.Infos();
  REQUIRE CHECK_EQUAL(4u, infos.size());
  CHECK_WIDE(L"The OK button.", infos[0]);
  CHECK_WIDE(L"Context Text: 0x3E9", infos[1]);
  CHECK_WIDE(L"Normal control: 0x50010", infos[2]);
  CHECK_WIDE(L"Context HTML: 0x40002", infos[3]);
}

TEST(HelperPathsStandInWhileTheAnnounceSettingIsRead) {
  HelpHost host("hw_helpers");
  REQUIRE CHECK(host.fixtures());
  const std::wstring other = host.dir().Win(L"authoring.ini");
  WritePrivateProfileStringW(L"Tip", L"showid", L"1", other.c_str());
  CHtmlHelpWrapper wrapper(false);
  wrapper.SetHelperRegistryPaths(nullptr, other.c_str(), nullptr);
  LPCTSTR profile = host.app().m_pszProfileName;
  CHECK_EQUAL(1, wrapper.ShowHelp(0x20005, HH_HELP_CONTEXT));
  CHECK(host.app().m_pszProfileName == profile);  // put back
  REQUIRE CHECK_EQUAL(1u, host.Infos().size());
  CHECK_WIDE(L"Normal dialog: 0x20005", host.Infos()[0]);
  // A copy keeps the paths; an empty path stands in for nothing.
  CHtmlHelpWrapper copy(wrapper);
  copy.SetHelperRegistryPaths(L"", L"", L"");
  CHECK_EQUAL(1, copy.ShowHelp(0x20005, HH_HELP_CONTEXT));
  CHECK_EQUAL(1u, host.Infos().size());
}

TEST(StartUpSetting) {
  HelpHost host("hw_startup");
  CHtmlHelpWrapper wrapper(true);
  CHECK(wrapper.ShowGettingStartedAtStartup());
  wrapper.SetShowGettingStartedAtStartup(false);
  CHECK(!wrapper.ShowGettingStartedAtStartup());
  CHECK(host.dir().Get("profile.ini").find("StartUp=0") != std::string::npos);
  wrapper.SetShowGettingStartedAtStartup(true);
  CHECK(wrapper.ShowGettingStartedAtStartup());
}

#endif  // _WIN32

TEST(OneProcessWideWrapper) {
  CHECK(CHtmlHelpWrapper::Instance() == &CHtmlHelpWrapper::mg_htmlhelpwrapper);
  CHECK(!CHtmlHelpWrapper::Instance()->GetSubtractHids());
}

}  // SUITE(CHtmlHelpWrapper)
