// Marks on Windows: the named stream "<file>:zorbase.<key>" of the file (NTFS alternate data
// streams, which travel with the file through renames). Where the volume keeps no named streams
// the calls fail with ERROR_NOT_SUPPORTED, as the contract says, and touch nothing.
#include <zorbase/platform/file_marks.h>

#include <string>

namespace zb {
namespace platform {
namespace {

std::wstring StreamName(LPCWSTR name, const char* key) {
  std::wstring stream = name;
  stream += L":zorbase.";
  for (const char* p = key; *p != '\0'; ++p) stream += static_cast<wchar_t>(*p);
  return stream;
}

// The error of a failed open of a mark: a file that exists while its stream cannot be opened
// means the file system keeps no streams.
DWORD MarkError(LPCWSTR name, DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND) {
    return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES ? ERROR_NOT_FOUND : error;
  }
  if (error == ERROR_INVALID_NAME || error == ERROR_INVALID_PARAMETER ||
      error == ERROR_INVALID_FUNCTION) {
    return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES ? ERROR_NOT_SUPPORTED
                                                               : GetLastError();
  }
  return error;
}

// Whether the volume that holds `name` keeps named streams. Without them (wine on a Linux file
// system) "name:stream" would be a file of its own beside `name`, so no mark may be written there.
bool VolumeKeepsStreams(LPCWSTR name) {
  wchar_t root[MAX_PATH + 1];
  if (!GetVolumePathNameW(name, root, MAX_PATH)) return false;
  DWORD flags = 0;
  if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)) return false;
  return (flags & FILE_NAMED_STREAMS) != 0;
}

bool Valid(LPCWSTR name, const char* key) {
  if (name == nullptr || *name == L'\0' || key == nullptr || *key == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace

BOOL SetFileMarkW(LPCWSTR name, const char* key, const std::string& value) {
  if (!Valid(name, key)) return FALSE;
  if (GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) return FALSE;
  if (!VolumeKeepsStreams(name)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  HANDLE stream = CreateFileW(StreamName(name, key).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) {
    SetLastError(MarkError(name, GetLastError()));
    return FALSE;
  }
  DWORD written = 0;
  const BOOL ok = WriteFile(stream, value.data(), static_cast<DWORD>(value.size()), &written,
                            nullptr) && written == value.size();
  const DWORD error = GetLastError();
  CloseHandle(stream);
  if (!ok) SetLastError(error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT);
  return ok;
}

BOOL GetFileMarkW(LPCWSTR name, const char* key, std::string* value) {
  if (!Valid(name, key) || value == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) return FALSE;
  if (!VolumeKeepsStreams(name)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  HANDLE stream = CreateFileW(StreamName(name, key).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stream == INVALID_HANDLE_VALUE) {
    SetLastError(MarkError(name, GetLastError()));
    return FALSE;
  }
  std::string bytes;
  char buffer[512];
  DWORD read = 0;
  BOOL ok = TRUE;
  while ((ok = ReadFile(stream, buffer, sizeof(buffer), &read, nullptr)) && read > 0) {
    bytes.append(buffer, read);
  }
  const DWORD error = GetLastError();
  CloseHandle(stream);
  if (!ok) {
    SetLastError(error);
    return FALSE;
  }
  *value = bytes;
  return TRUE;
}

BOOL RemoveFileMarkW(LPCWSTR name, const char* key) {
  if (!Valid(name, key)) return FALSE;
  if (GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES) return FALSE;
  if (!VolumeKeepsStreams(name)) return TRUE;  // no stream can be there
  if (DeleteFileW(StreamName(name, key).c_str())) return TRUE;
  const DWORD error = MarkError(name, GetLastError());
  if (error == ERROR_NOT_FOUND || error == ERROR_NOT_SUPPORTED) return TRUE;
  SetLastError(error);
  return FALSE;
}

}  // namespace platform
}  // namespace zb
