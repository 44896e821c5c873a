#include <zorbase/selftest/MTestClass.h>

#include <UnitTest++/UnitTest++.h>

#include <string>
#include <vector>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>
#include <zorbase/selftest/TestingUtility.h>

using zb::logtest::RecordingWindow;

namespace {

class PassingTest : public MTestClass {
 public:
  explicit PassingTest(int* deleted = nullptr) : deleted_(deleted) {}
  ~PassingTest() override {
    if (deleted_ != nullptr) ++*deleted_;
  }
  void Test(MTestResult& result) override {
    result.SetName(L"Passing");
    result.Assert(true, L"never shown");
  }

 private:
  int* deleted_;
};

// A plug-in whose traces reach the window (masks 15).
struct TracingSetup {
  RecordingWindow window;
  MLogManager manager;
  MLogPlugIn plugin{L"SelfTest", L"self tests"};
  TracingSetup() {
    manager.OpenLogWnd(&window);
    plugin.SetLevel(kLogChannelWindow, 15);
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    for (const auto& e : window.entries) texts.push_back(e.text);
    return texts;
  }
};

}  // namespace

SUITE(MTestClass) {

TEST(FreshResultAndAssert) {
  MTestResult result;
  CHECK(result.IsOK());
  CHECK(result.GetNextErrorString() == nullptr);
  CHECK(result.GetNextErrorString() == nullptr);
  CHECK(result.Assert(true, L"fine"));
  CHECK(result.IsOK());
  CHECK(!result.Assert(false, L"x > 0"));
  CHECK(!result.IsOK());
  CHECK(std::wstring(result.GetNextErrorString()) == L"Assert failed : x > 0");
  result.SetOK(true);
  CHECK(result.IsOK());
}

TEST(ErrorCursorWrapsAfterNull) {
  MTestResult result;
  result.AddErrorString(L"first");
  result.AddErrorString(L"second");
  const wchar_t* expected[] = {L"first", L"second", nullptr, L"first", L"second", nullptr};
  for (const wchar_t* e : expected) {
    const wchar_t* got = result.GetNextErrorString();
    if (e == nullptr) {
      CHECK(got == nullptr);
    } else {
      CHECK(got != nullptr && std::wstring(got) == e);
    }
  }
  result.GetNextErrorString();
  result.ErrorStringsSetBegin();
  CHECK(std::wstring(result.GetNextErrorString()) == L"first");
  MTestResult copy(result);  // the copy's cursor is its own
  CHECK(std::wstring(copy.GetNextErrorString()) == L"second");
  CHECK(std::wstring(result.GetNextErrorString()) == L"second");
}

TEST(MetaTestTracesOneError) {
  TracingSetup setup;
  MTestSuite suite;
  suite.Add(new MTestTestClass);
  MTestResult result;
  result.SetLog(&setup.plugin);
  suite.Test(result);
  const std::vector<std::wstring> expected = {
      L"Meta Test\n",
      L" - Testing if errorstrings work (if you don't see this, it doesn't)\n"};
  CHECK(setup.Texts() == expected);
  for (const auto& e : setup.window.entries) {
    CHECK_EQUAL(8, e.level);
    CHECK(e.id == L"SelfTest");
  }
  CHECK(!result.IsOK());  // a failing test shows in the suite's result
  CHECK_EQUAL(0u, result.GetErrorCount());
}

TEST(SuiteRunsInOrderAndOwnsItsTests) {
  int deleted = 0;
  {
    TracingSetup setup;
    MTestSuite suite;
    suite.Add(new PassingTest(&deleted));
    suite.Add(nullptr);
    suite.Add(new MTestTestClass);
    {
      MTestSuite copy(suite);  // shares the tests
      MTestResult result;
      result.SetLog(&setup.plugin);
      copy.Test(result);
    }
    CHECK_EQUAL(0, deleted);
    CHECK_EQUAL(3u, setup.Texts().size());
    if (setup.Texts().size() == 3) CHECK(setup.Texts()[0] == L"Passing\n");
    suite.Test();  // no log: nothing traced
    CHECK_EQUAL(3u, setup.Texts().size());
    MTestResult quiet;
    quiet.SetName(L"quiet");
    quiet.Trace();  // no log set
  }
  CHECK_EQUAL(1, deleted);
}

TEST(TestingUtilityLogsIntoItsFolder) {
  CHECK(TestingUtility::GetDefaultPathForTesting() == L"Z:/RWTesterOut");
  const std::string root = zb::logtest::TempPath("tester");
  const std::wstring dir(root.begin(), root.end());
  const std::wstring path = TestingUtility::SetupLoggingForTesting(dir + L"/nested", L"run1");
  CHECK(path == dir + L"/nested/run1/log.txt");
  CHECK(MLogManager::GetManager() != nullptr);
  CHECK(TestingUtility::SetupLoggingForTesting(L"elsewhere", L"") == path);
  MLogManager::GetPlugIn().Info(L"a line of the run");
  TestingUtility::EndLoggingForTesting();
  CHECK(MLogManager::GetManager() == nullptr);
  const std::vector<std::string> lines =
      zb::logtest::Lines(zb::logtest::ReadFile(root + "/nested/run1/log.txt"));
  CHECK_EQUAL(2u, lines.size());
  if (lines.size() == 2) {
    const std::string narrow(path.begin(), path.end());
    CHECK(lines[0].find("|Log|INFO|RWTester: logging to file = " + narrow + ".") != std::string::npos);
    CHECK(lines[1].find("|Log|INFO|a line of the run") != std::string::npos);
  }
  TestingUtility::EndLoggingForTesting();  // nothing left to end
}

}
