// File access of the private-profile calls on Windows. The profile lock is a named mutex per file
// (its full path without case), so it serialises writers of all processes and survives the file
// being replaced; shared readers take it too, briefly. Contents are replaced by the durable write.
#include <zorbase/platform/internal/profile_file.h>

#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/durable_file.h>
#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace platform {
namespace internal {

DWORD ReadWholeFile(const std::string& native, std::string* bytes) {
  const std::wstring path = DecodeNativeName(native);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                            FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return ERROR_ACCESS_DENIED;
    }
    return error;
  }
  std::string content;
  char buffer[65536];
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      error = GetLastError();
      break;
    }
    if (got == 0) break;
    content.append(buffer, got);
  }
  CloseHandle(file);
  if (error == ERROR_SUCCESS) bytes->swap(content);
  return error;
}

ProfileLock::ProfileLock(const std::string& native, bool /*exclusive*/) {
  std::wstring name = L"Local\\zorbase-profile-";
  for (wchar_t c : DecodeNativeName(native)) name += c == L'\\' ? L'/' : UpcaseChar(c);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return;  // unlocked, as the contract allows
  const DWORD waited = WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return;
  }
  // Kernel handles have 32 significant bits, so the handle fits the lock's descriptor slot.
  fd_ = HandleToLong(mutex);
}

ProfileLock::~ProfileLock() {
  if (fd_ == -1) return;
  HANDLE mutex = LongToHandle(fd_);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

DWORD ReplaceFileContents(const std::string& native, const std::string& bytes) {
  const std::wstring path = DecodeNativeName(native);
  if (WriteFileDurablyW(path.c_str(), bytes.data(), bytes.size())) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED) return error;
  // The folder refuses a new file: rewrite the existing file in place when it is writable.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return error;
  DWORD result = ERROR_SUCCESS;
  DWORD written = 0;
  if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || !SetEndOfFile(file) || !FlushFileBuffers(file)) {
    result = GetLastError();
    if (result == ERROR_SUCCESS) result = ERROR_WRITE_FAULT;
  }
  CloseHandle(file);
  return result;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
