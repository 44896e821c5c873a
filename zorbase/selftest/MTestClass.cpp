#include <zorbase/selftest/MTestClass.h>

#include <cstddef>

MTestClass::~MTestClass() = default;

MTestSuite::MTestSuite() = default;
MTestSuite::MTestSuite(const MTestSuite& other) = default;
MTestSuite& MTestSuite::operator=(const MTestSuite& other) = default;
MTestSuite::~MTestSuite() = default;

void MTestSuite::Add(MTestClass* test) {
  if (test != nullptr) m_tests.emplace_back(test);
}

void MTestSuite::Test(MTestResult& result) {
  const std::size_t count = m_tests.size() < 65535 ? m_tests.size() : 65535;
  for (std::size_t i = 0; i < count; ++i) {
    MTestResult one;
    one.SetLog(result.GetLog());
    m_tests[i]->Test(one);
    one.Trace();
    if (!one.IsOK()) result.SetOK(false);
  }
}

void MTestSuite::Test() {
  MTestResult result;
  Test(result);
}

void MTestTestClass::Test(MTestResult& result) {
  result.SetName(L"Meta Test");
  result.AddErrorString(L"Testing if errorstrings work (if you don't see this, it doesn't)");
}
