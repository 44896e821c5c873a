// Files and directories by name: delete, move, copy, directories, attributes, full path names.
#include "file_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <zorbase/platform/durable_file.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace internal {
namespace {

// Resolves `name` and sets the last error on failure.
bool Resolve(const wchar_t* name, ResolvedPath* path, unsigned flags = kResolveDefault) {
  const DWORD code = ResolveWindowsPath(name, path, flags);
  if (code != ERROR_SUCCESS) SetLastError(code);
  return code == ERROR_SUCCESS;
}

std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof(buffer)) != nullptr ? std::string(buffer) : std::string();
}

}  // namespace

// Copies the data of `from` to `to` (both open), with the write fault point at each block.
// ERROR_SUCCESS or the Windows code of the failure.
DWORD CopyData(int from, int to) {
  constexpr std::size_t kBlock = 8 << 20;
  bool use_range = true;
  std::vector<char> buffer;
  for (;;) {
    if (use_range) {
      if (int fault = CheckFault(FaultPoint::kWrite)) {
        return ErrorFromErrno(fault);
      }
      const ssize_t n = copy_file_range(from, nullptr, to, nullptr, kBlock, 0);
      if (n > 0) continue;
      if (n == 0) return ERROR_SUCCESS;
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
          errno == EPERM) {
        use_range = false;  // not offered for this pair of files: copy through memory
        continue;
      }
      return ErrorFromErrno(errno);
    }
    if (buffer.empty()) buffer.resize(1 << 20);
    const ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno);
    }
    if (n == 0) return ERROR_SUCCESS;
    if (WriteAll(to, buffer.data(), static_cast<std::size_t>(n), -1) !=
        static_cast<std::size_t>(n)) {
      return ErrorFromErrno(errno);
    }
  }
}

// CopyFileW on resolved arguments; also the fallback of a move across devices.
BOOL CopyFileResolved(const wchar_t* existing, const wchar_t* target, bool fail_if_exists) {
  DWORD error = ERROR_SUCCESS;
  bool existed = false;
  auto source = OpenFileObject(existing, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, OpenOptions(), &error, &existed);
  if (!source) return FailWith(error);
  struct stat source_stat;
  if (fstat(source->fd, &source_stat) != 0) return FailWith(ErrorFromErrno(errno));
  ResolvedPath target_path;
  if (!Resolve(target, &target_path)) return FALSE;
  struct stat target_stat;
  if (stat(target_path.native.c_str(), &target_stat) == 0) {
    if (fail_if_exists) return FailWith(ERROR_FILE_EXISTS);
    if (S_ISDIR(target_stat.st_mode) || IsReadOnlyMode(target_stat.st_mode)) {
      return FailWith(ERROR_ACCESS_DENIED);
    }
  }
  auto destination = OpenFileObject(target, GENERIC_WRITE, 0,
                                    fail_if_exists ? CREATE_NEW : CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, OpenOptions(), &error, &existed);
  if (!destination) return FailWith(error);
  error = CopyData(source->fd, destination->fd);
  if (error != ERROR_SUCCESS) {
    destination->delete_on_close = true;  // no partial copy is left behind
    return FailWith(error);
  }
  const DWORD attributes =
      AttributesOf(source->native_path, source_stat, BaseName(source->native_path));
  fchmod(destination->fd, source_stat.st_mode & 07777);
  struct timespec times[2] = {source_stat.st_atim, source_stat.st_mtim};
  futimens(destination->fd, times);
  struct stat copied;
  if (fstat(destination->fd, &copied) == 0) {
    StoreAttributes(destination->native_path, copied,
                    (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_ARCHIVE);
  }
  return TRUE;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb

using namespace zb::platform::internal;
using zb::platform::ErrorFromErrno;
using zb::platform::ResolvedPath;

BOOL DeleteFileW(LPCWSTR name) {
  ResolvedPath path;
  if (!Resolve(name, &path)) return FALSE;
  if (path.trailing_separator) return FailWith(ERROR_INVALID_NAME);
  struct stat st;
  if (lstat(path.native.c_str(), &st) != 0) return FailWith(ErrorForPath(errno, path));
  if (S_ISDIR(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  const DWORD sharing = CheckDeleteSharing(path.native);
  if (sharing != ERROR_SUCCESS) return FailWith(sharing);
  if (unlink(path.native.c_str()) != 0) return FailWith(ErrorForPath(errno, path));
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR existing, LPCWSTR target, DWORD flags) {
  if ((flags & MOVEFILE_DELAY_UNTIL_REBOOT) != 0 || target == nullptr) {
    return FailWith(ERROR_INVALID_PARAMETER);
  }
  ResolvedPath from;
  ResolvedPath to;
  ResolvedPath to_as_given;
  if (!Resolve(existing, &from) || !Resolve(target, &to) ||
      !Resolve(target, &to_as_given, zb::platform::kResolveNoLookup)) {
    return FALSE;
  }
  const std::string from_native = StripTrailingSlash(from.native);
  std::string to_native = StripTrailingSlash(to.native);
  struct stat from_stat;
  if (lstat(from_native.c_str(), &from_stat) != 0) return FailWith(ErrorForPath(errno, from));
  if (int fault = zb::platform::CheckFault(zb::platform::FaultPoint::kRename)) {
    return FailWith(ErrorFromErrno(fault));
  }
  DWORD sharing = CheckDeleteSharing(from_native);
  if (sharing != ERROR_SUCCESS) return FailWith(sharing);
  bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  struct stat to_stat;
  if (lstat(to_native.c_str(), &to_stat) == 0) {
    if (to_stat.st_dev == from_stat.st_dev && to_stat.st_ino == from_stat.st_ino) {
      // The same file under another spelling: a rename that changes the case of the name.
      to_native = DirName(to_native) + "/" + BaseName(to_as_given.native);
      if (to_native == from_native) return TRUE;
      replace = true;
    } else if (!replace) {
      return FailWith(ERROR_ALREADY_EXISTS);
    } else if (S_ISDIR(to_stat.st_mode) || (!S_ISLNK(to_stat.st_mode) && IsReadOnlyMode(to_stat.st_mode))) {
      return FailWith(ERROR_ACCESS_DENIED);
    } else {
      sharing = CheckDeleteSharing(to_native);
      if (sharing != ERROR_SUCCESS) return FailWith(sharing);
    }
  } else if (to.parent_missing) {
    return FailWith(ERROR_PATH_NOT_FOUND);
  }
  int result;
  if (replace) {
    result = rename(from_native.c_str(), to_native.c_str());
  } else {
    result = renameat2(AT_FDCWD, from_native.c_str(), AT_FDCWD, to_native.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // The file system has no exclusive rename: a hard link refuses an existing target.
      if (!S_ISDIR(from_stat.st_mode) && link(from_native.c_str(), to_native.c_str()) == 0) {
        result = unlink(from_native.c_str());
      } else if (errno != EEXIST) {
        result = rename(from_native.c_str(), to_native.c_str());
      }
    }
  }
  if (result != 0) {
    const int e = errno;
    if (e == EXDEV) {
      if ((flags & MOVEFILE_COPY_ALLOWED) == 0 || S_ISDIR(from_stat.st_mode)) {
        return FailWith(ERROR_NOT_SAME_DEVICE);
      }
      if (!CopyFileResolved(existing, target, !replace)) return FALSE;
      if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
        // The copy must be on the device before the original goes.
        DWORD flushed = zb::platform::SyncNativeFile(to_native);
        if (flushed == ERROR_SUCCESS) flushed = zb::platform::SyncNativeDirectoryOf(to_native);
        if (flushed != ERROR_SUCCESS) return FailWith(flushed);
      }
      if (unlink(from_native.c_str()) != 0) return FailWith(ErrorFromErrno(errno));
      if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
        const DWORD flushed = zb::platform::SyncNativeDirectoryOf(from_native);
        if (flushed != ERROR_SUCCESS) return FailWith(flushed);
      }
      return TRUE;
    }
    if (e == ENOENT) return FailWith(ErrorFromErrno(e, to.parent_missing));
    return FailWith(ErrorFromErrno(e, zb::platform::ErrnoContext::kRename));
  }
  if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
    // The move is on the device before the call returns: both directory entries are flushed, and
    // a failure to flush is reported (the move itself has happened).
    DWORD flushed = zb::platform::SyncNativeDirectoryOf(to_native);
    if (flushed == ERROR_SUCCESS && DirName(from_native) != DirName(to_native)) {
      flushed = zb::platform::SyncNativeDirectoryOf(from_native);
    }
    if (flushed != ERROR_SUCCESS) return FailWith(flushed);
  }
  return TRUE;
}

BOOL MoveFileW(LPCWSTR existing, LPCWSTR target) { return MoveFileExW(existing, target, 0); }

BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL fail_if_exists) {
  if (existing == nullptr || target == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  return CopyFileResolved(existing, target, fail_if_exists != FALSE);
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
  ResolvedPath path;
  if (!Resolve(name, &path)) return FALSE;
  if (path.exists) return FailWith(ERROR_ALREADY_EXISTS);
  if (path.parent_missing) return FailWith(ERROR_PATH_NOT_FOUND);
  if (mkdir(StripTrailingSlash(path.native).c_str(), 0777) != 0) {
    return FailWith(ErrorFromErrno(errno, zb::platform::ErrnoContext::kMissingParent));
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR name) {
  ResolvedPath path;
  if (!Resolve(name, &path)) return FALSE;
  const std::string native = StripTrailingSlash(path.native);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return FailWith(ErrorForPath(errno, path));
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    if (stat(native.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
      return FailWith(ERROR_DIRECTORY);
    }
    return unlink(native.c_str()) == 0 ? TRUE : FailWith(ErrorFromErrno(errno));
  }
  if (!S_ISDIR(st.st_mode)) return FailWith(ERROR_DIRECTORY);
  if (IsReadOnlyMode(st.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  // The process's current directory is held open on Windows and cannot be removed.
  if (native == CurrentDirectory()) return FailWith(ERROR_SHARING_VIOLATION);
  const DWORD sharing = CheckDeleteSharing(native);
  if (sharing != ERROR_SUCCESS) return FailWith(sharing);
  if (rmdir(native.c_str()) != 0) {
    const int e = errno;
    if (e == ENOENT) return FailWith(ErrorForPath(e, path));
    return FailWith(ErrorFromErrno(e, zb::platform::ErrnoContext::kRemoveDirectory));
  }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  ResolvedPath path;
  if (!Resolve(name, &path)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (stat(path.native.c_str(), &st) != 0) {
    SetLastError(ErrorForPath(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(path.native, st, path.is_root ? std::string() : BaseName(path.native));
}

BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (level != GetFileExInfoStandard || info == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  ResolvedPath path;
  if (!Resolve(name, &path)) return FALSE;
  struct stat st;
  if (stat(path.native.c_str(), &st) != 0) return FailWith(ErrorForPath(errno, path));
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info);
  FillStatFields(path.native, st, path.is_root ? std::string() : BaseName(path.native), data);
  return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes) {
  ResolvedPath path;
  if (!Resolve(name, &path)) return FALSE;
  struct stat st;
  if (stat(path.native.c_str(), &st) != 0) return FailWith(ErrorForPath(errno, path));
  const DWORD code = StoreAttributes(StripTrailingSlash(path.native), st, attributes);
  return code == ERROR_SUCCESS ? TRUE : FailWith(code);
}

DWORD GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* file_part) {
  ResolvedPath path;
  if (!Resolve(name, &path,
               zb::platform::kResolveTextOnly | zb::platform::kResolveNoValidation)) {
    return 0;
  }
  std::wstring full = path.windows;
  if (path.trailing_separator) full += L'\\';
  if (buffer == nullptr || size <= full.size()) return static_cast<DWORD>(full.size() + 1);
  std::wmemcpy(buffer, full.c_str(), full.size() + 1);
  if (file_part != nullptr) {
    const std::size_t slash = full.rfind(L'\\');
    *file_part = (path.trailing_separator || path.is_root || slash == std::wstring::npos)
                     ? nullptr
                     : buffer + slash + 1;
  }
  return static_cast<DWORD>(full.size());
}

BOOL PathFileExistsW(LPCWSTR path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
}
