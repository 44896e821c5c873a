// Logging into a file for automated self-test runs.
#pragma once

#include <string>

#include <zorbase/platform/export.h>

namespace TestingUtility {

// "Z:/RWTesterOut", the default output folder of test runs.
ZORBASE_API std::wstring GetDefaultPathForTesting();

// On the first call: creates the folder `directory` (and `directory`/`name` when a name is given)
// with its missing parents, creates a log manager whose log file "log.txt" lies in it (started
// afresh), logs "RWTester: logging to file = PATH." at information level and returns PATH. Later
// calls reuse that manager and return the same path. If the log file cannot be opened the manager
// still exists (its other channels work) and the path is returned all the same.
ZORBASE_API std::wstring SetupLoggingForTesting(const std::wstring& directory,
                                                const std::wstring& name);

// Deletes the manager made by SetupLoggingForTesting, if any; a later setup starts anew.
ZORBASE_API void EndLoggingForTesting();

}  // namespace TestingUtility
