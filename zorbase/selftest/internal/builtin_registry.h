// The library's own built-in self tests (UnitTest++ tests compiled into the shared object). The
// library's load step joins them to UnitTest++'s global list, so RunLibraryTests runs them; the
// unload step takes them out again.
#pragma once

#include <UnitTest++/Test.h>

namespace zb {
namespace selftest_internal {

// Appends every built-in test to UnitTest::Test::GetTestList() (defined with the tests, in
// builtin_selftests.cpp). Does nothing while they are already there.
void RegisterBuiltinSelfTests();

// Appends one test to the global list and remembers it for UnregisterBuiltinSelfTests.
void JoinGlobalList(UnitTest::Test* test);

// Whether the built-in tests are in the global list now.
bool BuiltinSelfTestsJoined();

// Unlinks the built-in tests from the global list, so it never points into an unloaded library.
void UnregisterBuiltinSelfTests();

}  // namespace selftest_internal
}  // namespace zb
