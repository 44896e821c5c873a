// File kinds, final paths and ownership from stat, realpath, chmod and chown.
#include <zorbase/platform/file_details.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>

#include "file_internal.h"

namespace zb {
namespace platform {
namespace {

bool ResolveName(LPCWSTR name, ResolvedPath* path) {
  const DWORD code = ResolveWindowsPath(name, path);
  if (code != ERROR_SUCCESS) SetLastError(code);
  return code == ERROR_SUCCESS;
}

}  // namespace

FileKind GetFileKindW(LPCWSTR name) {
  ResolvedPath path;
  if (!ResolveName(name, &path)) return FileKind::kMissing;
  struct stat st;
  if (stat(path.native.c_str(), &st) != 0) {
    SetLastError(internal::ErrorForPath(errno, path));
    return FileKind::kMissing;
  }
  if (S_ISREG(st.st_mode)) return FileKind::kRegular;
  if (S_ISDIR(st.st_mode)) return FileKind::kDirectory;
  return FileKind::kOther;
}

BOOL GetFinalPathW(LPCWSTR name, std::wstring* final_path) {
  if (final_path == nullptr) return internal::FailWith(ERROR_INVALID_PARAMETER);
  ResolvedPath path;
  if (!ResolveName(name, &path)) return FALSE;
  std::string native = internal::StripTrailingSlash(path.native);
  // Follow a link at the end even when its target does not exist yet; a bounded number of times,
  // as the kernel does.
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    if (hops == 40) return internal::FailWith(ERROR_CANT_RESOLVE_FILENAME);
    char target[PATH_MAX];
    const ssize_t n = readlink(native.c_str(), target, sizeof(target) - 1);
    if (n < 0) return internal::FailWith(internal::ErrorForPath(errno, path));
    target[n] = 0;
    native = target[0] == '/' ? std::string(target)
                              : internal::DirName(native) + "/" + std::string(target);
  }
  // The directories on the way: resolved by the kernel, links and ".." included.
  const std::string dir = internal::DirName(native);
  const std::string base = internal::BaseName(native);
  char* real = realpath(dir.empty() ? "/" : dir.c_str(), nullptr);
  if (real == nullptr) {
    const int error = errno;
    return internal::FailWith(error == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
  }
  std::string resolved(real);
  std::free(real);
  if (resolved != "/") resolved += "/";
  resolved += base;
  *final_path = NativeToWindowsPath(resolved);
  if (final_path->empty()) return internal::FailWith(ERROR_PATH_NOT_FOUND);
  return TRUE;
}

BOOL CopyFileOwnershipW(LPCWSTR from, LPCWSTR to) {
  ResolvedPath from_path;
  ResolvedPath to_path;
  if (!ResolveName(from, &from_path) || !ResolveName(to, &to_path)) return FALSE;
  struct stat st;
  if (stat(from_path.native.c_str(), &st) != 0) {
    return internal::FailWith(internal::ErrorForPath(errno, from_path));
  }
  // Owner first: changing the owner may clear set-user-ID and set-group-ID bits, which chmod then
  // puts back. Only where allowed (the superuser, or the owner choosing one of its own groups).
  if (chown(to_path.native.c_str(), st.st_uid, st.st_gid) != 0 &&
      chown(to_path.native.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
    const int error = errno;
    if (error != EPERM && error != EACCES && error != EINVAL) {
      return internal::FailWith(internal::ErrorForPath(error, to_path));
    }
  }
  if (chmod(to_path.native.c_str(), st.st_mode & 07777) != 0) {
    return internal::FailWith(internal::ErrorForPath(errno, to_path));
  }
  return TRUE;
}

}  // namespace platform
}  // namespace zb
