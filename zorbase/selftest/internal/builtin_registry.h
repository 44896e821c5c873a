// The library's own built-in self tests (UnitTest++ tests compiled into the shared object). They
// live in a list of the library's own, filled by the library's load step, so UnitTest++'s global
// list (which may outlive the library) never points into it. RunLibraryTests joins the two lists
// for the length of one run.
#pragma once

#include <UnitTest++/Test.h>
#include <UnitTest++/TestList.h>

namespace zb {
namespace selftest_internal {

// The list of built-in tests.
UnitTest::TestList& BuiltinTests();

// Creates the built-in tests and adds them to BuiltinTests() (defined with the tests, in
// builtin_selftests.cpp). Runs once; later calls do nothing.
void RegisterBuiltinSelfTests();

// While it lives, the built-in tests follow the last test of UnitTest::Test::GetTestList(), so a
// run over that list runs them too. Does nothing when the global list is empty or already leads to
// them (a run inside a run); the destructor undoes only its own link.
class BuiltinTestsJoined {
 public:
  BuiltinTestsJoined();
  ~BuiltinTestsJoined();
  BuiltinTestsJoined(const BuiltinTestsJoined&) = delete;
  BuiltinTestsJoined& operator=(const BuiltinTestsJoined&) = delete;

 private:
  UnitTest::Test* linked_tail_ = nullptr;
};

}  // namespace selftest_internal
}  // namespace zb
