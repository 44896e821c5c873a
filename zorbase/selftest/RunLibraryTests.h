// Runs the library's own unit tests (UnitTest++ suites) through a caller's reporter.
#pragma once

#include <zorbase/platform/export.h>

namespace UnitTest {
class TestReporter;
}

// Runs the registered unit tests and reports each failure and the summary to `reporter`.
// `filter` null or empty: every test. "Suite.Test" (split at the first full stop): only that test
// of that suite; "Suite." (nothing after the stop): the whole suite. A filter without a full stop
// is matched against test names. Returns the number of failed tests (0 when all passed).
ZORBASE_API int RunLibraryTests(UnitTest::TestReporter& reporter, const wchar_t* filter);
