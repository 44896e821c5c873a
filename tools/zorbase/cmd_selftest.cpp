// zorbase selftest [FILTER]: runs the library's built-in self tests and the self-test framework's
// checks, and reports whether this machine runs the library as it should.
#include "command.h"

#include <UnitTest++/TestReporterStdout.h>

#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/progress/MProgressTimer.h>
#include <zorbase/selftest/MTestClass.h>
#include <zorbase/selftest/RunLibraryTests.h>

namespace zb {
namespace tool {
namespace {

// A log window that prints what it is given (the traced lines of the checks) to standard output.
class ConsoleWindow : public ILogWnd {
 public:
  LONG GetShow() override { return 0; }
  void SetShow(LONG) override {}
  void Put(const MLogPlugIn*, LONG, const wchar_t* text) override {
    const std::wstring line = text;
    if (line.compare(0, 3, L" - ") == 0) ++errors;
    std::fputs(Narrow(line).c_str(), stdout);
  }
  void Clear() override {}
  int errors = 0;
};

// A window that remembers the last message, for the checks below.
class MemoryWindow : public ILogWnd {
 public:
  LONG GetShow() override { return 0; }
  void SetShow(LONG) override {}
  void Put(const MLogPlugIn* plugIn, LONG level, const wchar_t* text) override {
    texts.push_back(text);
    levels.push_back(level);
    ids.push_back(plugIn->GetID().Get());
  }
  void Clear() override { texts.clear(); }
  std::vector<std::wstring> texts;
  std::vector<LONG> levels;
  std::vector<std::wstring> ids;
};

class LogChannelCheck : public MTestClass {
 public:
  void Test(MTestResult& result) override {
    result.SetName(L"Log manager: plug-ins reach the log window");
    MemoryWindow window;
    MLogManager manager;
    result.Assert(manager.OpenLogWnd(&window), L"the window channel opens");
    MLogPlugIn plugin(L"SelfTestCheck", L"check");
    result.Assert(plugin.ErrorF(L"%d of %s", 1, L"2"), L"an error is written");
    result.Assert(!plugin.Trace(L"held"), L"a trace is held back by the default masks");
    result.Assert(window.texts.size() == 1, L"exactly one message reached the window");
    if (window.texts.size() == 1) {
      result.Assert(window.texts[0] == L"1 of 2", L"the message text is formatted");
      result.Assert(window.levels[0] == 1, L"the level bit is Error (1)");
      result.Assert(window.ids[0] == L"SelfTestCheck", L"the plug-in ID is passed on");
    }
  }
};

class ProgressTimerCheck : public MTestClass {
 public:
  void Test(MTestResult& result) override {
    result.SetName(L"Progress timer: steps are logged");
    MemoryWindow window;
    MLogManager manager;
    manager.OpenLogWnd(&window);
    MProgressTimer timer(true);
    timer.StepStarted(L"check");
    timer.StepComplete(L"check");
    result.Assert(window.texts.size() == 2, L"two lines were logged");
    if (window.texts.size() == 2) {
      result.Assert(window.texts[0].compare(0, 20, L"Started check, t = 0") == 0,
                    L"the start line names the step");
      result.Assert(window.texts[1].compare(0, 14, L"Done check in ") == 0,
                    L"the done line names the step");
    }
  }
};

// Passes everything on to the console reporter and keeps the number of tests that ran.
class CountingReporter : public UnitTest::TestReporter {
 public:
  explicit CountingReporter(UnitTest::TestReporter& out) : out_(out) {}
  void ReportTestStart(const UnitTest::TestDetails& test) override {
    ++started;
    out_.ReportTestStart(test);
  }
  void ReportFailure(const UnitTest::TestDetails& test, const char* failure) override {
    out_.ReportFailure(test, failure);
  }
  void ReportTestFinish(const UnitTest::TestDetails& test, float seconds) override {
    out_.ReportTestFinish(test, seconds);
  }
  void ReportSummary(int total, int failed, int failures, float seconds) override {
    out_.ReportSummary(total, failed, failures, seconds);
  }
  int started = 0;

 private:
  UnitTest::TestReporter& out_;
};

int RunSelfTest(const std::vector<std::string>& args) {
  if (args.size() > 1) return UsageError("selftest", "too many arguments");
  const std::wstring filter = args.empty() ? std::wstring() : Widen(args[0]);

  std::printf("== built-in unit tests%s\n", args.empty() ? "" : (" matching " + args[0]).c_str());
  UnitTest::TestReporterStdout console_reporter;
  CountingReporter reporter(console_reporter);
  const int failures = RunLibraryTests(reporter, filter.c_str());
  if (!args.empty() && reporter.started == 0) {
    std::printf("no test matches %s\n", args[0].c_str());
  }

  int check_failures = 0;
  if (args.empty()) {
    std::printf("== self-test framework checks (the Meta Test shows exactly one error)\n");
    ConsoleWindow console;
    MLogManager manager;
    manager.CloseLogStd();
    manager.OpenLogWnd(&console);
    MLogPlugIn log(L"SelfTest", L"zorbase selftest");
    log.SetLevel(kLogChannelWindow, 15);
    MTestSuite suite;
    suite.Add(new MTestTestClass);
    suite.Add(new LogChannelCheck);
    suite.Add(new ProgressTimerCheck);
    MTestResult result;
    result.SetLog(&log);
    suite.Test(result);
    check_failures = console.errors - 1;
    if (check_failures != 0) {
      std::printf("%d error line(s) in the checks; only the Meta Test's one was expected\n",
                  console.errors);
    }
    std::fflush(stdout);
  }

  const bool ok = failures == 0 && check_failures == 0 && (args.empty() || reporter.started > 0);
  std::printf("selftest: %s\n", ok ? "passed" : "FAILED");
  return ok ? kExitOk : kExitFailure;
}

const Command kSelfTest("selftest", "selftest [FILTER]",
                        "Runs the library's built-in self tests (UnitTest++) and the self-test\n"
                        "framework's checks. FILTER picks tests: Suite.Test for one test, Suite.\n"
                        "for a suite, or a test name; with a filter only the matching unit tests\n"
                        "run. Exit code 0 when everything passed, 1 otherwise (also when FILTER\n"
                        "matches no test).",
                        &RunSelfTest);

}  // namespace
}  // namespace tool
}  // namespace zb
