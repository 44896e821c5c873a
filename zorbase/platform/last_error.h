// The thread's last error, as GetLastError/SetLastError keep it on Windows, and the one mapping
// from errno to the Windows system error codes.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>

// The calling thread's last error code. Each thread has its own; a new thread starts at 0.
ZORBASE_API DWORD GetLastError();
ZORBASE_API void SetLastError(DWORD code);

namespace zb {
namespace platform {

// The Windows system error code for an errno value. `for_path` picks between the two codes that
// ENOENT can mean: ERROR_PATH_NOT_FOUND when a directory of the path is missing (the caller knows),
// ERROR_FILE_NOT_FOUND otherwise. Unknown values map to ERROR_GEN_FAILURE... never 0.
ZORBASE_API DWORD ErrorFromErrno(int errno_value, bool path_missing = false);

// Sets the thread's last error from errno_value and returns the code it set.
ZORBASE_API DWORD SetLastErrorFromErrno(int errno_value, bool path_missing = false);

}  // namespace platform
}  // namespace zb
