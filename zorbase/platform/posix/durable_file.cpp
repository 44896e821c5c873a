// Durable file writes and the flush steps they are made of (see durable_file.h).
#include <zorbase/platform/durable_file.h>

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/posix/file_internal.h>

namespace zb {
namespace platform {

namespace {

// fsync of an open descriptor through the flush fault point.
int FlushDescriptor(int fd) {
  if (int fault = CheckFault(FaultPoint::kFlush)) return fault;
  return fsync(fd) == 0 ? 0 : errno;
}

// The file a write to `native_path` must replace: the final target of a symbolic link (so the
// link stays a link), else the path itself.
std::string ReplacementTarget(const std::string& native_path) {
  struct stat info;
  if (lstat(native_path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return native_path;
  char* real = realpath(native_path.c_str(), nullptr);
  if (real == nullptr) return native_path;  // a dangling link is replaced by the file
  std::string target(real);
  free(real);
  return target;
}

// Creates a new, empty temporary beside `target` (same directory, so the rename stays on one file
// system). Returns its descriptor and name, or -1 with errno set.
int CreateTemporaryBeside(const std::string& target, std::string* name) {
  static std::atomic<unsigned> counter{0};
  if (int fault = CheckFault(FaultPoint::kOpen)) {
    errno = fault;
    return -1;
  }
  const std::string stem = internal::DirName(target) + "/." + internal::BaseName(target) + ".tmp";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = stem + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Puts the finished temporary under the target's name. kCreateNew never replaces a file that
// exists, even one created after the caller looked. Returns 0 or errno.
int PutInPlace(const std::string& temporary, const std::string& target, DurableTarget mode) {
  if (int fault = CheckFault(FaultPoint::kRename)) return fault;
  if (mode == DurableTarget::kReplace) {
    return rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
  }
  if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // No exclusive rename on this file system: a hard link refuses an existing name.
  if (link(temporary.c_str(), target.c_str()) != 0) return errno;
  unlink(temporary.c_str());
  return 0;
}

}  // namespace

DWORD SyncNativeFile(const std::string& native_path) {
  const int fd = open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  const int error = FlushDescriptor(fd);
  close(fd);
  return ErrorFromErrno(error);
}

DWORD SyncNativeDirectoryOf(const std::string& native_path) {
  const int fd = open(internal::DirName(native_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  int error = FlushDescriptor(fd);
  close(fd);
  // Some file systems cannot flush a directory; their entries are as durable as they get.
  if (error == EINVAL || error == EROFS) error = 0;
  return ErrorFromErrno(error);
}

DWORD WriteFileDurably(const std::string& native_path, const void* data, std::size_t size,
                       DurableTarget mode) {
  if (native_path.empty() || native_path.back() == '/') return ERROR_PATH_NOT_FOUND;
  const std::string target =
      mode == DurableTarget::kReplace ? ReplacementTarget(native_path) : native_path;
  struct stat old_info;
  const bool replacing = mode == DurableTarget::kReplace && stat(target.c_str(), &old_info) == 0;
  if (replacing && !S_ISREG(old_info.st_mode)) return ERROR_ACCESS_DENIED;
  if (mode == DurableTarget::kCreateNew && access(target.c_str(), F_OK) == 0) {
    return ERROR_ALREADY_EXISTS;
  }

  std::string temporary;
  const int fd = CreateTemporaryBeside(target, &temporary);
  if (fd < 0) return ErrorFromErrno(errno, true);
  int error = 0;
  if (replacing) {
    // The new content takes the old file's place with its permissions, and its owner where the
    // process may set it (the owner is changed first: chown may clear set-id bits).
    if (fchown(fd, old_info.st_uid, old_info.st_gid) != 0) {
      (void)fchown(fd, static_cast<uid_t>(-1), old_info.st_gid);
    }
    if (fchmod(fd, old_info.st_mode & 07777) != 0) error = errno;
  }
  if (error == 0 && internal::WriteAll(fd, data, size, -1) != size) {
    error = errno != 0 ? errno : EIO;
  }
  if (error == 0) error = FlushDescriptor(fd);
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) error = PutInPlace(temporary, target, mode);
  if (error != 0) {
    unlink(temporary.c_str());
    return ErrorFromErrno(error);
  }
  return SyncNativeDirectoryOf(target);
}

namespace {

// The native path of a Windows path, or false with the last error set.
bool NativeOf(const wchar_t* path, std::string* native) {
  ResolvedPath resolved;
  const DWORD code = ResolveWindowsPath(path, &resolved);
  if (code != ERROR_SUCCESS) {
    SetLastError(code);
    return false;
  }
  *native = internal::StripTrailingSlash(resolved.native);
  return true;
}

bool Succeeded(DWORD code) {
  if (code == ERROR_SUCCESS) return true;
  SetLastError(code);
  return false;
}

}  // namespace

bool WriteFileDurablyW(const wchar_t* path, const void* data, std::size_t size,
                       DurableTarget target) {
  std::string native;
  return NativeOf(path, &native) && Succeeded(WriteFileDurably(native, data, size, target));
}

bool SyncFileW(const wchar_t* path) {
  std::string native;
  return NativeOf(path, &native) && Succeeded(SyncNativeFile(native));
}

bool SyncDirectoryOfW(const wchar_t* path) {
  std::string native;
  return NativeOf(path, &native) && Succeeded(SyncNativeDirectoryOf(native));
}

}  // namespace platform
}  // namespace zb
