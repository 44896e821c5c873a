#include <zorbase/tagged/internal/durable.h>

#include <cwchar>
#include <string>

#include <zorbase/platform/durable_file.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace tagged {

bool SyncFile(const wchar_t* name) { return zb::platform::SyncFileW(name); }

bool SyncDirectoryOf(const wchar_t* name) { return zb::platform::SyncDirectoryOfW(name); }

bool RenameFile(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, 0) != FALSE;
}

bool ReplaceFileWith(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RemoveFile(const wchar_t* name) {
  if (DeleteFileW(name)) return true;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tagged
}  // namespace zb
