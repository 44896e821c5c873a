// Marks as extended attributes "user.zorbase.<key>" of the native file.
#include <zorbase/platform/file_marks.h>

#include <cerrno>
#include <string>
#include <vector>

#include <sys/xattr.h>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include "file_internal.h"

namespace zb {
namespace platform {
namespace {

std::string AttributeName(const char* key) { return std::string("user.zorbase.") + key; }

// Resolves `name`; sets the last error on failure.
bool ResolveMarked(LPCWSTR name, ResolvedPath* path) {
  const DWORD code = ResolveWindowsPath(name, path);
  if (code != ERROR_SUCCESS) SetLastError(code);
  return code == ERROR_SUCCESS;
}

// The Windows code of a failed attribute call.
DWORD AttributeError(int error, const ResolvedPath& path) {
  if (error == ENOTSUP || error == EOPNOTSUPP) return ERROR_NOT_SUPPORTED;
  if (error == ENODATA) return ERROR_NOT_FOUND;
  return internal::ErrorForPath(error, path);
}

}  // namespace

BOOL SetFileMarkW(LPCWSTR name, const char* key, const std::string& value) {
  if (key == nullptr || *key == 0) return internal::FailWith(ERROR_INVALID_PARAMETER);
  ResolvedPath path;
  if (!ResolveMarked(name, &path)) return FALSE;
  if (setxattr(path.native.c_str(), AttributeName(key).c_str(), value.data(), value.size(), 0) !=
      0) {
    return internal::FailWith(AttributeError(errno, path));
  }
  return TRUE;
}

BOOL GetFileMarkW(LPCWSTR name, const char* key, std::string* value) {
  if (key == nullptr || *key == 0 || value == nullptr) {
    return internal::FailWith(ERROR_INVALID_PARAMETER);
  }
  ResolvedPath path;
  if (!ResolveMarked(name, &path)) return FALSE;
  const std::string attribute = AttributeName(key);
  // The size may change between the two calls: ask again until the value fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = getxattr(path.native.c_str(), attribute.c_str(), nullptr, 0);
    if (size < 0) return internal::FailWith(AttributeError(errno, path));
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    const ssize_t read =
        getxattr(path.native.c_str(), attribute.c_str(), buffer.data(), buffer.size());
    if (read >= 0) {
      value->assign(buffer.data(), static_cast<size_t>(read));
      return TRUE;
    }
    if (errno != ERANGE) return internal::FailWith(AttributeError(errno, path));
  }
  return internal::FailWith(ERROR_GEN_FAILURE);
}

BOOL RemoveFileMarkW(LPCWSTR name, const char* key) {
  if (key == nullptr || *key == 0) return internal::FailWith(ERROR_INVALID_PARAMETER);
  ResolvedPath path;
  if (!ResolveMarked(name, &path)) return FALSE;
  if (removexattr(path.native.c_str(), AttributeName(key).c_str()) == 0) return TRUE;
  const int error = errno;
  if (error == ENODATA || error == ENOTSUP || error == EOPNOTSUPP) return TRUE;
  return internal::FailWith(AttributeError(error, path));
}

}  // namespace platform
}  // namespace zb
