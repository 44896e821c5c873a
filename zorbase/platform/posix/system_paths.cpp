// System paths: temporary directory and names, module file names, the current directory.
#include "file_internal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/last_error.h>

namespace {

using zb::platform::internal::FailWith;

// Copies `text` out with the "length, or the size needed" contract of the Windows path calls.
DWORD CopyOut(const std::wstring& text, DWORD size, LPWSTR buffer) {
  if (buffer == nullptr || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::wmemcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

// The Windows form of an environment value that names a directory: an absolute native path, or a
// Windows path (made absolute by text).
std::wstring DirectoryFromEnvironment(const char* value) {
  if (value == nullptr || value[0] == 0) return std::wstring();
  if (value[0] == '/') return zb::platform::NativeToWindowsPath(value);
  const std::wstring wide = zb::platform::DecodeNativeName(value);
  zb::platform::ResolvedPath path;
  if (zb::platform::ResolveWindowsPath(wide.c_str(), &path,
                                       zb::platform::kResolveTextOnly |
                                           zb::platform::kResolveNoValidation) != ERROR_SUCCESS) {
    return std::wstring();
  }
  return path.windows;
}

std::string ReadLink(const char* path) {
  std::string buffer(4096, '\0');
  const ssize_t n = readlink(path, &buffer[0], buffer.size());
  if (n <= 0) return std::string();
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

}  // namespace

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  std::wstring dir;
  for (const char* variable : {"TMP", "TEMP", "TMPDIR"}) {
    dir = DirectoryFromEnvironment(std::getenv(variable));
    if (!dir.empty()) break;
  }
  if (dir.empty()) dir = zb::platform::NativeToWindowsPath("/tmp");
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return CopyOut(dir, size, buffer);
}

UINT GetTempFileNameW(LPCWSTR dir, LPCWSTR prefix, UINT unique, LPWSTR buffer) {
  if (dir == nullptr || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD attributes = GetFileAttributesW(dir);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  std::wstring base(dir);
  if (base.empty() || (base.back() != L'\\' && base.back() != L'/')) base += L'\\';
  if (prefix != nullptr) base.append(prefix, std::min<std::size_t>(std::wcslen(prefix), 3));
  auto compose = [&](unsigned number) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%X.TMP", number);
    return base + digits;
  };
  unique &= 0xFFFF;
  if (unique != 0) {
    const std::wstring name = compose(unique);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    std::wmemcpy(buffer, name.c_str(), name.size() + 1);
    return unique;
  }
  unsigned number = static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count() / 1000 & 0xFFFF);
  for (unsigned tries = 0; tries < 0x10000; ++tries) {
    if (number == 0) number = 1;
    const std::wstring name = compose(number);
    if (name.size() >= MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      std::wmemcpy(buffer, name.c_str(), name.size() + 1);
      return number;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
        error != ERROR_SHARING_VIOLATION) {
      return 0;
    }
    number = (number + 1) & 0xFFFF;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::string native;
  if (module == nullptr) {
    native = ReadLink("/proc/self/exe");
  } else {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(module), &info) != 0 && info.dli_fname != nullptr) {
      native = info.dli_fname[0] == 0 ? ReadLink("/proc/self/exe") : std::string(info.dli_fname);
      if (!native.empty() && native[0] != '/') {
        char* real = realpath(native.c_str(), nullptr);
        if (real != nullptr) {
          native = real;
          std::free(real);
        }
      }
    }
  }
  if (native.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::wstring path = zb::platform::NativeToWindowsPath(native);
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::wmemcpy(buffer, path.c_str(), size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::wmemcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
  return CopyOut(zb::platform::CurrentWindowsDirectory(), size, buffer);
}

BOOL SetCurrentDirectoryW(LPCWSTR name) {
  zb::platform::ResolvedPath path;
  const DWORD code = zb::platform::ResolveWindowsPath(name, &path);
  if (code != ERROR_SUCCESS) return FailWith(code);
  if (chdir(path.native.c_str()) != 0) {
    const int e = errno;
    if (e == ENOTDIR && path.exists) return FailWith(ERROR_DIRECTORY);
    return FailWith(zb::platform::internal::ErrorForPath(e, path));
  }
  return TRUE;
}
