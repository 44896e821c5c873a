#include <zorbase/selftest/internal/builtin_registry.h>

#include <UnitTest++/UnitTest++.h>
#include <UnitTest++/TestReporter.h>

#include <string>
#include <vector>

#include <zorbase/selftest/RunLibraryTests.h>

namespace {

class Recorder : public UnitTest::TestReporter {
 public:
  std::vector<std::string> started;
  int failures = 0;
  void ReportTestStart(const UnitTest::TestDetails& d) override {
    started.push_back(std::string(d.suiteName) + "." + d.testName);
  }
  void ReportFailure(const UnitTest::TestDetails&, const char*) override { ++failures; }
  void ReportTestFinish(const UnitTest::TestDetails&, float) override {}
  void ReportSummary(int, int, int, float) override {}
};

}  // namespace

SUITE(BuiltinSelfTests) {

TEST(RegisteredWhileLoadingAndPassing) {
  Recorder recorder;
  CHECK_EQUAL(0, RunLibraryTests(recorder, L"ZorBaseSelfTest."));
  CHECK_EQUAL(5u, recorder.started.size());
  CHECK_EQUAL(0, recorder.failures);
}

TEST(UnregisterUnlinksAndRegisterJoinsAgain) {
  zb::selftest_internal::UnregisterBuiltinSelfTests();
  CHECK(!zb::selftest_internal::BuiltinSelfTestsJoined());
  Recorder none;
  RunLibraryTests(none, L"ZorBaseSelfTest.");
  CHECK_EQUAL(0u, none.started.size());
  Recorder others;  // the rest of the list is intact
  RunLibraryTests(others, L"RunnerProbe.");
  CHECK_EQUAL(2u, others.started.size());
  zb::selftest_internal::RegisterBuiltinSelfTests();
  zb::selftest_internal::RegisterBuiltinSelfTests();  // no second copy
  Recorder again;
  RunLibraryTests(again, L"ZorBaseSelfTest.");
  CHECK_EQUAL(5u, again.started.size());
}

}
