// ReplaceWindowsFile (internal/profile_file.h).
#include <zorbase/platform/internal/profile_file.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace internal {

DWORD ReplaceWindowsFile(const wchar_t* path, const std::string& bytes) {
  ResolvedPath resolved;
  DWORD error = ResolveWindowsPath(path, &resolved);
  if (error != ERROR_SUCCESS) return error;
  if (resolved.parent_missing) return ERROR_PATH_NOT_FOUND;
  if (resolved.trailing_separator) return ERROR_ACCESS_DENIED;
  ProfileLock lock(resolved.native, true);
  if (resolved.exists) {
    // The checks Windows makes when the file is opened for writing without sharing.
    HANDLE probe = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
    }
    CloseHandle(probe);
  }
  return ReplaceFileContents(resolved.native, bytes);
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
