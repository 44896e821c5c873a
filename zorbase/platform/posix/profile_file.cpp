// File access of the private-profile calls on Linux (internal/profile_file.h).
#include <zorbase/platform/internal/profile_file.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace internal {
namespace {

std::string FolderOf(const std::string& native) {
  const std::size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes, std::size_t offset_base, bool positional) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (int fault = CheckFault(FaultPoint::kWrite)) {
      errno = fault;
      return false;
    }
    const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1 << 20);
    const ssize_t n = positional ? pwrite(fd, bytes.data() + done, chunk, static_cast<off_t>(offset_base + done))
                                 : write(fd, bytes.data() + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool Sync(int fd) {
  if (int fault = CheckFault(FaultPoint::kFlush)) {
    errno = fault;
    return false;
  }
  return fsync(fd) == 0;
}

// The process's umask, read without changing it (umask() would race with other threads).
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof(line), status) != nullptr) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
        break;
      }
    }
    std::fclose(status);
  }
  return mask;
}

DWORD RewriteInPlace(const std::string& native, const std::string& bytes) {
  const int fd = open(native.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  DWORD result = ERROR_SUCCESS;
  if (!WriteAll(fd, bytes, 0, true) || ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || !Sync(fd)) {
    result = ErrorFromErrno(errno);
  }
  close(fd);
  return result;
}

}  // namespace

DWORD ReadWholeFile(const std::string& native, std::string* bytes) {
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) {
      struct stat folder;
      return stat(FolderOf(native).c_str(), &folder) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    return ErrorFromErrno(error);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return ERROR_ACCESS_DENIED;
  }
  std::string data;
  if (S_ISREG(st.st_mode)) data.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof(chunk));
    if (n < 0) {
      if (errno == EINTR) continue;
      const DWORD error = ErrorFromErrno(errno);
      close(fd);
      return error == ERROR_SUCCESS ? ERROR_READ_FAULT : error;
    }
    if (n == 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  bytes->swap(data);
  return ERROR_SUCCESS;
}

ProfileLock::ProfileLock(const std::string& native, bool exclusive) {
  fd_ = open(FolderOf(native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) fd_ = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
    if (errno == EINTR) continue;
    close(fd_);
    fd_ = -1;
    return;
  }
}

ProfileLock::~ProfileLock() {
  if (fd_ >= 0) close(fd_);  // closing the descriptor releases the lock
}

DWORD ReplaceFileContents(const std::string& native, const std::string& bytes) {
  // Replace what a symbolic link points to, not the link.
  std::string target = native;
  if (char* real = realpath(native.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat old_stat;
  const bool existed = stat(target.c_str(), &old_stat) == 0;
  if (existed && S_ISDIR(old_stat.st_mode)) return ERROR_ACCESS_DENIED;

  const std::string folder = FolderOf(target);
  const std::size_t slash = target.find_last_of('/');
  std::string temp = folder + "/." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (existed && (error == EACCES || error == EPERM || error == EROFS)) {
      if (access(target.c_str(), W_OK) == 0) return RewriteInPlace(target, bytes);
    }
    return ErrorFromErrno(error, error == ENOENT);
  }
  if (existed) {
    fchmod(fd, old_stat.st_mode & 07777);
    if (fchown(fd, old_stat.st_uid, old_stat.st_gid) != 0) {
      // Another owner cannot be kept by an ordinary user; the file stays the writer's.
    }
  } else {
    fchmod(fd, 0666 & ~CurrentUmask());
  }
  int error = 0;
  if (!WriteAll(fd, bytes, 0, false) || !Sync(fd)) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0) {
    if (int fault = CheckFault(FaultPoint::kRename)) {
      error = fault;
    } else if (rename(temp.c_str(), target.c_str()) != 0) {
      error = errno;
    }
  }
  if (error != 0) {
    unlink(temp.c_str());
    return ErrorFromErrno(error);
  }
  const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    fsync(folder_fd);
    close(folder_fd);
  }
  return ERROR_SUCCESS;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
