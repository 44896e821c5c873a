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

UnitTest::Test* LastOfGlobalList() {
  UnitTest::Test* t = UnitTest::Test::GetTestList().GetHead();
  while (t != nullptr && t->m_nextTest != nullptr) t = t->m_nextTest;
  return t;
}

}  // namespace

SUITE(BuiltinSelfTests) {

TEST(RegisteredWhileLoadingAndPassing) {
  Recorder recorder;
  CHECK_EQUAL(0, RunLibraryTests(recorder, L"ZorBaseSelfTest."));
  CHECK_EQUAL(5u, recorder.started.size());
  CHECK_EQUAL(0, recorder.failures);
  zb::selftest_internal::RegisterBuiltinSelfTests();  // no second copy
  Recorder again;
  RunLibraryTests(again, L"ZorBaseSelfTest.Utf8RoundTrip");
  CHECK_EQUAL(1u, again.started.size());
}

TEST(JoinedOnlyForTheRunAndNeverTwice) {
  // This test runs inside a run over the global list, which already leads to the built-in tests:
  // a nested join must not link them again (that would make a cycle).
  UnitTest::Test* last_before = LastOfGlobalList();
  {
    zb::selftest_internal::BuiltinTestsJoined nested;
    CHECK(LastOfGlobalList() == last_before);
  }
  CHECK(LastOfGlobalList() == last_before);
  CHECK(last_before != nullptr && last_before->m_nextTest == nullptr);
}

}
