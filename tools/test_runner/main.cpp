// The unit-test runner: zorbase_tests [FILTER] [--suite NAME]. ctest starts it once per suite.
// Tests run with drive C: and the registry store in fresh temporary directories, so they never touch
// the user's files or settings.
#include <zorbase/selftest/RunLibraryTests.h>

#include <UnitTest++/TestReporterStdout.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "test_environment.h"

int main(int argc, char** argv) {
  std::string filter;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--suite") == 0 && i + 1 < argc) {
      filter = std::string(argv[++i]) + ".";
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage: zorbase_tests [Suite.Test | Suite. | TestName] [--suite Suite]\n");
      return 0;
    } else {
      filter = argv[i];
    }
  }
  zb::test::TestEnvironment environment;
  std::wstring wide(filter.begin(), filter.end());
  UnitTest::TestReporterStdout reporter;
  return RunLibraryTests(reporter, wide.c_str()) == 0 ? 0 : 1;
}
