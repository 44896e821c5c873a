#include <zorbase/tagged/internal/durable.h>

#include <cwchar>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace tagged {

bool SyncFile(const wchar_t* name) {
  HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(handle) != FALSE;
  CloseHandle(handle);
  return flushed;
}

bool SyncDirectoryOf(const wchar_t* name) {
  MFileName file(name);
  std::wstring dir = file.GET_DRIVE_DIR_PARTS(true);
  if (dir.empty()) dir = L".";
  HANDLE handle = CreateFileW(dir.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(handle) != FALSE;
  CloseHandle(handle);
  return flushed;
}

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
