#include <zorbase/logging/MLogManager.h>

#include <UnitTest++/UnitTest++.h>

#include <regex>
#include <csignal>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <boost/ptr_container/exception.hpp>
#include <log4cxx/logger.h>

#include <zorbase/logging/internal/log_test_support.h>
#include <zorbase/platform/last_error.h>

using zb::logtest::DebugCapture;
using zb::logtest::RecordingWindow;

namespace {

// Exposes the protected members and records the virtual log calls.
class ProbeManager : public MLogManager {
 public:
  using MLogManager::_GetLayoutString;
  using MLogManager::_GetPlugIn;
  using MLogManager::_GetPlugInCount;
  std::vector<std::wstring> calls;
  bool Trace(const MLogPlugIn* p, const wchar_t* t) override {
    calls.push_back(std::wstring(L"T:") + t);
    return MLogManager::Trace(p, t);
  }
  bool Info(const MLogPlugIn* p, const wchar_t* t) override {
    calls.push_back(std::wstring(L"I:") + t);
    return MLogManager::Info(p, t);
  }
  bool Warning(const MLogPlugIn* p, const wchar_t* t) override {
    calls.push_back(std::wstring(L"W:") + t);
    return MLogManager::Warning(p, t);
  }
  bool Error(const MLogPlugIn* p, const wchar_t* t) override {
    calls.push_back(std::wstring(L"E:") + t);
    return MLogManager::Error(p, t);
  }
};

bool Matches(const std::string& text, const char* pattern) {
  return std::regex_match(text, std::regex(pattern));
}

}  // namespace

SUITE(MLogManager) {

TEST(WithoutManagerTheDummyPlugInWritesNothing) {
  DebugCapture capture;
  CHECK(MLogManager::GetManager() == nullptr);
  MLogPlugIn& dummy = MLogManager::GetPlugIn();
  CHECK(dummy.GetID().Get() == L"Log");
  CHECK(std::wstring(dummy.GetDescription()) == L"Dummy plugin");
  CHECK(!dummy.Info(L"nobody hears this"));
  CHECK(!dummy.Error(L"nor this"));
  CHECK(dummy.InfoF(L"%s", L"formatted") == false);
  CHECK_EQUAL(&dummy, &MLogManager::GetPlugIn());
  CHECK_EQUAL("", capture.Text());
}

TEST(StandardChannelWritesTimeIdLevelAndText) {
  DebugCapture capture;
  MLogManager manager;
  CHECK_EQUAL(&manager, MLogManager::GetManager());
  CHECK(std::wstring(MLogManager::GetPlugIn().GetDescription()) == L"Application plugin");
  CHECK(manager.Info(nullptr, L"Hello, w\u00f6rld"));
  CHECK(!manager.Trace(nullptr, L"held back by mask 7"));
  CHECK(Matches(capture.Text(), "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\|Log\\|INFO\\|Hello, w\xc3\xb6rld\n"));
}

TEST(LayoutStrings) {
  ProbeManager manager;
  struct Case {
    bool t, c, p;
    const wchar_t* expected;
  } cases[] = {
      {false, false, false, L"%m%n"},
      {true, false, false, L"%d{HH:mm:ss}|%m%n"},
      {false, true, false, L"%c|%m%n"},
      {false, false, true, L"%p|%m%n"},
      {true, false, true, L"%d{HH:mm:ss}|%p|%m%n"},
      {true, true, true, L"%d{HH:mm:ss}|%c|%p|%m%n"},
  };
  for (const Case& c : cases) CHECK(manager._GetLayoutString(c.t, c.c, c.p) == c.expected);
}

TEST(ShowFlagSettersAndLayouts) {
  DebugCapture capture;
  MLogManager manager;
  CHECK_EQUAL(0xFFF, manager.GetShow());
  manager.SetPutLevelLogWindow(false);
  CHECK_EQUAL(0xFFB, manager.GetShow());
  CHECK(!manager.GetPutLevelLogWindow());
  manager.Warning(nullptr, L"full");  // the standard layout is unchanged
  manager.SetPutLevelSTD(false);
  CHECK(!manager.GetPutLevelSTD());
  manager.Warning(nullptr, L"no level");
  manager.SetPutTimeStampSTD(false);
  manager.SetPutPluginIDSTD(false);
  manager.Warning(nullptr, L"bare");
  manager.SetShow(0x0F0);
  manager.Warning(nullptr, L"off");  // "%m%n" still: the standard layout always ends in a message
  const std::vector<std::string> lines = zb::logtest::Lines(capture.Text());
  CHECK_EQUAL(4u, lines.size());
  if (lines.size() == 4) {
    CHECK(Matches(lines[0], "..:..:..\\|Log\\|WARN\\|full"));
    CHECK(Matches(lines[1], "..:..:..\\|Log\\|no level"));
    CHECK_EQUAL("bare", lines[2]);
    CHECK_EQUAL("off", lines[3]);
  }
  CHECK_EQUAL(0x0F0, manager.GetShow());
}

TEST(ClosingTheStandardChannel) {
  DebugCapture capture;
  MLogManager manager;
  MLogPlugIn other(L"Other", L"another plug-in");
  CHECK(manager.IsLogStd());
  manager.CloseLogStd();
  CHECK(!manager.IsLogStd());
  CHECK(other.Error(L"hidden"));
  CHECK(manager.Error(nullptr, L"hidden too"));
  CHECK_EQUAL("", capture.Text());
  CHECK(manager.OpenLogStd());
  other.Error(L"shown");
  CHECK(Matches(capture.Text(), "..:..:..\\|Other\\|ERROR\\|shown\n"));
}

TEST(FileChannel) {
  const std::string path = zb::logtest::TempPath("app.log");
  const std::wstring wide(path.begin(), path.end());
  {
    MLogManager manager;
    CHECK(!manager.IsLogFile());
    CHECK(manager.OpenLogFile(MFileName(wide.c_str()), false));
    CHECK(manager.IsLogFile());
    manager.Info(nullptr, L"one \u00e9\u4e2d");
    manager.CloseLogFile();
    manager.Info(nullptr, L"not in the file");
    CHECK(manager.OpenLogFile(MFileName(wide.c_str()), true));
    manager.Error(nullptr, L"two");
  }
  std::vector<std::string> lines = zb::logtest::Lines(zb::logtest::ReadFile(path));
  CHECK_EQUAL(2u, lines.size());
  if (lines.size() == 2) {
    CHECK(Matches(lines[0], "..:..:..\\|Log\\|INFO\\|one \xc3\xa9\xe4\xb8\xad"));
    CHECK(Matches(lines[1], "..:..:..\\|Log\\|ERROR\\|two"));
  }
  {
    MLogManager manager;
    CHECK(manager.OpenLogFile(MFileName(wide.c_str()), false));  // started afresh
    manager.SetPutTimeStampLogFile(false);
    manager.SetPutPluginIDLogFile(false);
    manager.Warning(nullptr, L"three");
  }
  CHECK_EQUAL("WARN|three\n", zb::logtest::ReadFile(path));
}

TEST(UnopenableLogFileIsReported) {
  MLogManager manager;
  const std::string dir = zb::logtest::TempPath("plainfile");
  { std::ofstream(dir) << "x"; }
  const std::string path = dir + "/app.log";  // a directory component that is a file
  const std::wstring wide(path.begin(), path.end());
  CHECK(!manager.OpenLogFile(MFileName(wide.c_str()), false));
  CHECK(!manager.IsLogFile());
  CHECK(manager.Info(nullptr, L"still fine"));
}

TEST(UnusableLogFileNameStopsTheFileChannel) {
  const std::string path = zb::logtest::TempPath("before.log");
  const std::wstring wide(path.begin(), path.end());
  MLogManager manager;
  CHECK(manager.OpenLogFile(MFileName(wide.c_str()), false));
  manager.Info(nullptr, L"kept");
  const wchar_t* refused[] = {L"C:\\logs\\a|b.log", L""};
  for (const wchar_t* name : refused) {
    CHECK(!manager.OpenLogFile(MFileName(name), false));
    CHECK(!manager.IsLogFile());
    manager.Info(nullptr, L"must not reach the previous file");
  }
  CHECK_EQUAL(1u, zb::logtest::Lines(zb::logtest::ReadFile(path)).size());
}

#ifndef _WIN32  // /dev/full, file size limits and fork: Linux's ways to make a disk full
// Runs `body` in a child process (a failure there ends only the child) and returns its exit
// status: 0 when `body` returned true.
template <typename Body>
int InChild(Body body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = -1;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(AFullDiskFailsTheCallAndLoggingGoesOnAfterwards) {
  // /dev/full refuses every write with ENOSPC; log4cxx throws out of the appender.
  CHECK_EQUAL(0, InChild([] {
    MLogManager manager;
    if (!manager.OpenLogFile(MFileName(L"Z:\\dev\\full"), true)) return false;
    SetLastError(0);
    const bool written = manager.Info(nullptr, L"one line too many");
    return !written && GetLastError() == ERROR_DISK_FULL;
  }));
  // A file that may not grow (RLIMIT_FSIZE) until the limit is lifted again: the line in between
  // is lost, the calls before and after write theirs.
  const std::string path = zb::logtest::TempPath("limited.log");
  CHECK_EQUAL(0, InChild([&path] {
    const std::wstring wide(path.begin(), path.end());
    MLogManager manager;
    manager.SetPutTimeStampLogFile(false);
    manager.SetPutPluginIDLogFile(false);
    if (!manager.OpenLogFile(MFileName(wide.c_str()), false)) return false;
    if (!manager.Info(nullptr, L"before")) return false;
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit full = saved;
    full.rlim_cur = static_cast<rlim_t>(zb::logtest::ReadFile(path).size());
    setrlimit(RLIMIT_FSIZE, &full);
    SetLastError(0);
    const bool refused = !manager.Warning(nullptr, L"lost") && GetLastError() == ERROR_FILE_TOO_LARGE;
    setrlimit(RLIMIT_FSIZE, &saved);
    return refused && manager.Error(nullptr, L"after");
  }));
  CHECK_EQUAL("INFO|before\nERROR|after\n", zb::logtest::ReadFile(path));
}
#endif

TEST(WindowChannel) {
  RecordingWindow window(0x5);
  MLogManager manager;
  manager.Warning(nullptr, L"before");
  CHECK(!manager.IsLogWnd());
  CHECK(manager.OpenLogWnd(&window));
  CHECK(manager.IsLogWnd());
  CHECK_EQUAL(1u, window.set_show_calls.size());
  CHECK(manager.Warning(nullptr, L"careful"));
  CHECK_EQUAL(1u, window.entries.size());
  if (!window.entries.empty()) {
    CHECK(window.entries[0].id == L"Log");
    CHECK_EQUAL(2, window.entries[0].level);
    CHECK(window.entries[0].text == L"careful");
  }
  window.SetOwnShow(0x9);
  CHECK_EQUAL(0xFF9, manager.GetShow());
  CHECK(manager.GetPutTimeStampLogWindow());
  CHECK(!manager.GetPutPluginIDLogWindow());
  manager.SetPutPluginIDLogWindow(true);  // reaches the window
  CHECK_EQUAL(0xB, window.GetShow());
  manager.ClearLogWnd();
  CHECK_EQUAL(1, window.clears);
  window.SetOwnShow(0x2);
  manager.CloseLogWnd();
  CHECK_EQUAL(0xFF2, manager.GetShow());
  manager.Error(nullptr, L"after");
  CHECK_EQUAL(1u, window.entries.size());
}

TEST(PutTestLogGoesThroughTheVirtualCalls) {
  ProbeManager manager;
  manager.PutTestLog();
  const std::vector<std::wstring> expected = {L"T:Test trace log", L"I:Test info log",
                                              L"W:Test warning log", L"E:Test error log"};
  CHECK(manager.calls == expected);
  manager.calls.clear();
  CHECK(manager.InfoF(nullptr, L"%s %d", L"n =", 5));
  CHECK(!manager.TraceF(nullptr, L"%d", 1));  // formatted, then held back by the mask
  const std::vector<std::wstring> formatted = {L"I:n = 5", L"T:1"};
  CHECK(manager.calls == formatted);
}

TEST(SecondManagerOnTheStack) {
  RecordingWindow first_window, second_window;
  MLogManager first;
  first.OpenLogWnd(&first_window);
  {
    MLogManager second;
    second.OpenLogWnd(&second_window);
    CHECK_EQUAL(&second, MLogManager::GetManager());
    MLogPlugIn later(L"Later", L"constructed while the second is current");
    MLogManager::GetPlugIn().Warning(L"to the second");
    later.Warning(L"later to the second");
    CHECK_EQUAL(2u, second_window.entries.size());
    CHECK_EQUAL(0u, first_window.entries.size());
  }
  CHECK_EQUAL(&first, MLogManager::GetManager());
  CHECK(MLogManager::GetPlugIn().Warning(L"to the first again"));
  CHECK_EQUAL(1u, first_window.entries.size());
  CHECK_EQUAL(2u, second_window.entries.size());
}

TEST(ManagersDestroyedOutOfOrderLeaveNoStaleEntry) {
  MLogManager* first = new MLogManager;
  MLogManager* second = new MLogManager;
  delete first;
  CHECK_EQUAL(second, MLogManager::GetManager());
  delete second;
  CHECK(MLogManager::GetManager() == nullptr);
}

TEST(LoggerCreatedDirectlyIsDiscovered) {
  RecordingWindow window;
  ProbeManager manager;
  manager.OpenLogWnd(&window);
  const size_t before = manager._GetPlugInCount();
  log4cxx::LoggerPtr direct = log4cxx::Logger::getLogger("Direct.Discovered");
  const size_t after = manager._GetPlugInCount();
  CHECK_EQUAL(before + 1, after);
  CHECK_EQUAL(after, manager._GetPlugInCount());  // listed once
  MLogPlugIn* found = nullptr;
  for (size_t i = 0; i < after; ++i) {
    MLogPlugIn* p = manager._GetPlugIn(static_cast<unsigned long>(i));
    if (p->GetID().Get() == L"Direct.Discovered") found = p;
  }
  CHECK(found != nullptr);
  if (found != nullptr) CHECK(std::wstring(found->GetDescription()).empty());
  LOG4CXX_WARN(direct, "straight from log4cxx");
  CHECK_EQUAL(1u, window.entries.size());
  if (!window.entries.empty()) CHECK(window.entries[0].id == L"Direct.Discovered");
  CHECK_THROW(manager._GetPlugIn(static_cast<unsigned long>(after)), boost::bad_index);
}

TEST(UnplugKeepsOtherPlugInsOfTheSameId) {
  RecordingWindow window;
  MLogManager manager;
  manager.OpenLogWnd(&window);
  MLogPlugIn a(L"Shared", L"first");
  {
    MLogPlugIn b(L"Shared", L"second");
    CHECK(b.Warning(L"from b"));
  }
  CHECK(a.Warning(L"from a after b left"));
  CHECK_EQUAL(2u, window.entries.size());
  manager.Unplug(&a);
  CHECK(!a.Warning(L"a is free now"));
  log4cxx::LoggerPtr shared = log4cxx::Logger::getLogger("Shared");
  CHECK(!shared->getAppender("MLogManager_WND_APPENDER"));
}

TEST(PlugInsOutlivingTheirManagerBecomeFree) {
  MLogPlugIn* survivor;
  {
    MLogManager manager;
    survivor = new MLogPlugIn(L"Survivor", L"outlives the manager");
    CHECK(survivor->Info(L"plugged"));
  }
  CHECK(!survivor->Info(L"free"));
  log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger("Survivor");
  CHECK(logger->getAllAppenders().empty());
  delete survivor;
}

TEST(NestedPlugInNamesWriteEachLineOnce) {
  const std::string path = zb::logtest::TempPath("nested.log");
  const std::wstring wide(path.begin(), path.end());
  {
    MLogManager manager;
    manager.OpenLogFile(MFileName(wide.c_str()), false);
    MLogPlugIn parent(L"Nest", L""), child(L"Nest.Child", L"");
    child.Info(L"from the child");
    parent.Info(L"from the parent");
    child.Info(L"from the child again");
  }
  CHECK_EQUAL(3u, zb::logtest::Lines(zb::logtest::ReadFile(path)).size());
}

}
