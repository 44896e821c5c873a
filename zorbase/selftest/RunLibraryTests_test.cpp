#include <zorbase/selftest/RunLibraryTests.h>

#include <UnitTest++/UnitTest++.h>
#include <UnitTest++/TestReporter.h>

#include <string>
#include <vector>

namespace {

// Collects the names of the tests a run starts, and nothing else.
class RecordingReporter : public UnitTest::TestReporter {
 public:
  std::vector<std::string> started;
  int summaries = 0;
  void ReportTestStart(const UnitTest::TestDetails& d) override {
    started.push_back(std::string(d.suiteName) + "." + d.testName);
  }
  void ReportFailure(const UnitTest::TestDetails&, const char*) override {}
  void ReportTestFinish(const UnitTest::TestDetails&, float) override {}
  void ReportSummary(int, int, int, float) override { ++summaries; }
};

}  // namespace

SUITE(RunnerProbe) {
TEST(ProbeA) {}
TEST(ProbeB) {}
}

SUITE(RunLibraryTests) {

TEST(SuiteDotTestRunsOnlyThatTest) {
  RecordingReporter reporter;
  CHECK_EQUAL(0, RunLibraryTests(reporter, L"RunnerProbe.ProbeB"));
  CHECK_EQUAL(1u, reporter.started.size());
  if (!reporter.started.empty()) CHECK_EQUAL("RunnerProbe.ProbeB", reporter.started[0]);
  CHECK_EQUAL(1, reporter.summaries);
}

TEST(NameWithoutDotMatchesTestNames) {
  RecordingReporter reporter;
  RunLibraryTests(reporter, L"ProbeA");
  CHECK_EQUAL(1u, reporter.started.size());
  RecordingReporter none;
  RunLibraryTests(none, L"Probe\u0141");  // U+0141 is not 'A'
  CHECK_EQUAL(0u, none.started.size());
}

TEST(SuiteWithTrailingDotRunsTheSuite) {
  RecordingReporter reporter;
  RunLibraryTests(reporter, L"RunnerProbe.");
  CHECK_EQUAL(2u, reporter.started.size());
}

}
