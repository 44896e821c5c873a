// Built-in self tests: a test fills a result; a suite runs its tests in order and traces each
// result; the meta test checks the framework itself.
#pragma once

#include <memory>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/selftest/MTestResult.h>

// One self test.
class ZORBASE_API MTestClass {
 public:
  virtual ~MTestClass();
  // Runs the test and records its name and failures in `result` (which may carry a log).
  virtual void Test(MTestResult& result) = 0;
};

// An ordered list of tests, owned by the suite. Copies share the tests; each test is deleted when
// the last suite that holds it is destroyed.
class ZORBASE_API MTestSuite : public MTestClass {
 public:
  MTestSuite();
  MTestSuite(const MTestSuite& other);
  MTestSuite& operator=(const MTestSuite& other);
  ~MTestSuite() override;

  // Appends `test` (null is ignored); the suite takes ownership. At most 65535 tests run.
  void Add(MTestClass* test);

  // Runs each test with a fresh result that carries `result`'s log, traces that result, and
  // clears `result`'s OK flag if any test failed (its name and errors are left alone).
  void Test(MTestResult& result) override;
  // The same without a log.
  void Test();

 private:
  std::vector<std::shared_ptr<MTestClass>> m_tests;
};

// The framework's check of itself: names its result "Meta Test" and adds exactly one error, so a
// working framework shows one failure with that text.
class ZORBASE_API MTestTestClass : public MTestClass {
 public:
  void Test(MTestResult& result) override;
};
