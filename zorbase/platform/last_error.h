// The thread's last error, as GetLastError/SetLastError keep it on Windows, and the one mapping
// from errno to the Windows system error codes.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// The calling thread's last error code. Each thread has its own; a new thread starts at 0.
ZORBASE_API DWORD GetLastError();
ZORBASE_API void SetLastError(DWORD code);

#endif  // _WIN32

namespace zb {
namespace platform {

// The Windows system error code for an errno value. `for_path` picks between the two codes that
// ENOENT can mean: ERROR_PATH_NOT_FOUND when a directory of the path is missing (the caller knows),
// ERROR_FILE_NOT_FOUND otherwise. Unknown values map to ERROR_GEN_FAILURE... never 0.
ZORBASE_API DWORD ErrorFromErrno(int errno_value, bool path_missing = false);

// What a failed native call was doing. A few errno values stand for a different Windows code
// depending on it, as the Windows calls report them; every such rule is in ErrorFromErrno.
enum class ErrnoContext {
  kGeneral,          // the common table
  kMissingParent,    // a directory of the path is missing: ENOENT is ERROR_PATH_NOT_FOUND
  kHandleTransfer,   // ReadFile, WriteFile, FlushFileBuffers: a full disk is
                     // ERROR_HANDLE_DISK_FULL, reading a directory ERROR_INVALID_FUNCTION
  kCreateNew,        // creating a name that must not exist (a new file, a directory chain): a
                     // name in the way (EEXIST) is ERROR_FILE_EXISTS
  kRename,           // renaming or moving: a target or source of the wrong kind (a directory, a
                     // non-empty directory, a move into itself) is ERROR_ACCESS_DENIED
  kRemoveDirectory,  // rmdir: EEXIST (a non-empty directory on some systems) is ERROR_DIR_NOT_EMPTY
  kRegistryHive,     // opening a hive file: no access is ERROR_ACCESS_DENIED, any other failure
                     // ERROR_REGISTRY_IO_FAILED
};

// The Windows system error code for an errno value of a call of the given kind.
// Exported because the platform's errno mapping lives in the sibling library libzorstdbase.
ZORBASE_API DWORD ErrorFromErrno(int errno_value, ErrnoContext context);

// Sets the thread's last error from errno_value and returns the code it set.
ZORBASE_API DWORD SetLastErrorFromErrno(int errno_value, bool path_missing = false);

}  // namespace platform
}  // namespace zb
