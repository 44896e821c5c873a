#include <zorbase/selftest/RunLibraryTests.h>

#include <UnitTest++/UnitTest++.h>
#include <UnitTest++/TestReporter.h>
#include <UnitTest++/CurrentTest.h>

#include <zorbase/platform/codepage.h>
#include <zorbase/selftest/internal/builtin_registry.h>

#include <cwchar>
#include <string>

namespace {


struct FilterPredicate {
  std::string suite;  // empty: any suite
  std::string test;   // empty: any test
  bool operator()(const UnitTest::Test* t) const {
    if (!suite.empty() && suite != t->m_details.suiteName) return false;
    return test.empty() || test == t->m_details.testName;
  }
};

}  // namespace

int RunLibraryTests(UnitTest::TestReporter& reporter, const wchar_t* filter) {
  FilterPredicate predicate;
  // UnitTest++ names are narrow; a character outside ASCII must not alias an ASCII one.
  const std::string text = zb::platform::WideToUtf8(filter != nullptr ? filter : L"");
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) {
    predicate.test = text;
  } else {
    predicate.suite = text.substr(0, dot);
    predicate.test = text.substr(dot + 1);
  }
  // A run may start from inside a running test (the self tests do); the runner repoints UnitTest++'s
  // current-test globals, so they are put back afterwards for the outer test's checks.
  UnitTest::TestResults* outer_results = UnitTest::CurrentTest::Results();
  const UnitTest::TestDetails* outer_details = UnitTest::CurrentTest::Details();
  int failures;
  {
    UnitTest::TestRunner runner(reporter);
    // The library's built-in self tests run after the registered ones (or alone, in a host
    // that registered none).
    zb::selftest_internal::BuiltinTestsJoined joined;
    const UnitTest::TestList& list = UnitTest::Test::GetTestList().GetHead() != nullptr
                                         ? UnitTest::Test::GetTestList()
                                         : zb::selftest_internal::BuiltinTests();
    failures = runner.RunTestsIf(list, nullptr, predicate, 0);
  }
  UnitTest::CurrentTest::Results() = outer_results;
  UnitTest::CurrentTest::Details() = outer_details;
  return failures;
}
