// What a file is beyond its attributes, on Windows: the kind from the handle's file type, the final
// path from the system, and the security descriptor's access list carried to a replacement.
#include <zorbase/platform/file_details.h>

#include <vector>

namespace zb {
namespace platform {

FileKind GetFileKindW(LPCWSTR name) {
  if (name == nullptr || *name == L'\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FileKind::kMissing;
  }
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kDirectory;
  HANDLE handle = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileKind::kRegular;  // a file we may not open
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_DISK ? FileKind::kRegular : FileKind::kOther;
}

BOOL GetFinalPathW(LPCWSTR name, std::wstring* final_path) {
  if (name == nullptr || *name == L'\0' || final_path == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // No link at the end: the name as given (a missing last name is kept as it is).
    if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_PATH_NOT_FOUND) {
      return FALSE;
    }
    *final_path = name;
    return TRUE;
  }
  HANDLE handle = CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), buffer.size(), 0);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, buffer.data(), buffer.size(), 0);
  }
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (length == 0 || length >= buffer.size()) {
    SetLastError(length == 0 ? error : ERROR_CANT_RESOLVE_FILENAME);
    return FALSE;
  }
  std::wstring path(buffer.data(), length);
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    path = L"\\\\" + path.substr(8);
  } else if (path.compare(0, 4, L"\\\\?\\") == 0) {
    path = path.substr(4);
  }
  *final_path = path;
  return TRUE;
}

BOOL CopyFileOwnershipW(LPCWSTR from, LPCWSTR to) {
  if (from == nullptr || to == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (GetFileAttributesW(from) == INVALID_FILE_ATTRIBUTES) return FALSE;
  if (GetFileAttributesW(to) == INVALID_FILE_ATTRIBUTES) return FALSE;
  // The access list always; the owner and group only where the process may set them.
  const SECURITY_INFORMATION wanted[] = {
      DACL_SECURITY_INFORMATION, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION};
  for (int i = 0; i < 2; ++i) {
    DWORD needed = 0;
    GetFileSecurityW(from, wanted[i], nullptr, 0, &needed);
    if (needed == 0) continue;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityW(from, wanted[i], descriptor.data(), needed, &needed)) continue;
    if (!SetFileSecurityW(to, wanted[i], descriptor.data()) && i == 0) {
      return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED ? TRUE : FALSE;
    }
  }
  return TRUE;
}

}  // namespace platform
}  // namespace zb
