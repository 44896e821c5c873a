// Durable whole-file writes on Windows: the new content goes to a temporary beside the target, is
// flushed with FlushFileBuffers, and MoveFileExW (write-through) puts it in the target's place.
// Windows has no handle for a directory's entries to flush: the write-through rename is what
// makes the new name durable there. "Native" paths are UTF-8 forms of Windows paths.
#include <zorbase/platform/durable_file.h>

#include <atomic>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace {

std::atomic<unsigned> g_temporary_counter{0};

// A name beside `path` that no other writer of this process or another one picks.
std::wstring TemporaryBeside(const std::wstring& path) {
  return path + L".~zb" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(g_temporary_counter.fetch_add(1));
}

DWORD WriteAll(HANDLE file, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (int injected = CheckFault(FaultPoint::kWrite)) return ErrorFromErrno(injected);
    if (!WriteFile(file, p, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    p += written;
    size -= written;
  }
  return ERROR_SUCCESS;
}

DWORD WriteDurably(const std::wstring& path, const void* data, std::size_t size,
                   DurableTarget target) {
  if (target == DurableTarget::kCreateNew) {
    // CREATE_NEW is atomic against a racer; the content is flushed before the handle closes.
    if (int injected = CheckFault(FaultPoint::kOpen)) return ErrorFromErrno(injected);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      return error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error;
    }
    DWORD error = WriteAll(file, data, size);
    if (error == ERROR_SUCCESS && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (error != ERROR_SUCCESS) DeleteFileW(path.c_str());
    return error;
  }
  const std::wstring temporary = TemporaryBeside(path);
  if (int injected = CheckFault(FaultPoint::kOpen)) return ErrorFromErrno(injected);
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = WriteAll(file, data, size);
  if (error == ERROR_SUCCESS) {
    if (int injected = CheckFault(FaultPoint::kFlush)) {
      error = ErrorFromErrno(injected);
    } else if (!FlushFileBuffers(file)) {
      error = GetLastError();
    }
  }
  CloseHandle(file);
  if (error == ERROR_SUCCESS) {
    if (int injected = CheckFault(FaultPoint::kRename)) {
      error = ErrorFromErrno(injected);
    } else if (!MoveFileExW(temporary.c_str(), path.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = GetLastError();
    }
  }
  if (error != ERROR_SUCCESS) DeleteFileW(temporary.c_str());
  return error;
}

DWORD FlushByName(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                            FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = ERROR_SUCCESS;
  if (int injected = CheckFault(FaultPoint::kFlush)) {
    error = ErrorFromErrno(injected);
  } else if (!FlushFileBuffers(file)) {
    error = GetLastError();
  }
  CloseHandle(file);
  return error;
}

bool Report(DWORD error) {
  if (error == ERROR_SUCCESS) return true;
  SetLastError(error);
  return false;
}

}  // namespace

DWORD WriteFileDurably(const std::string& native_path, const void* data, std::size_t size,
                       DurableTarget target) {
  return WriteDurably(Utf8ToWide(native_path), data, size, target);
}

DWORD SyncNativeFile(const std::string& native_path) {
  return FlushByName(Utf8ToWide(native_path));
}

DWORD SyncNativeDirectoryOf(const std::string&) { return ERROR_SUCCESS; }

bool WriteFileDurablyW(const wchar_t* path, const void* data, std::size_t size,
                       DurableTarget target) {
  if (path == nullptr || *path == L'\0') return Report(ERROR_PATH_NOT_FOUND);
  return Report(WriteDurably(path, data, size, target));
}

bool SyncFileW(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') return Report(ERROR_PATH_NOT_FOUND);
  return Report(FlushByName(path));
}

bool SyncDirectoryOfW(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') return Report(ERROR_PATH_NOT_FOUND);
  return true;
}

}  // namespace platform
}  // namespace zb
