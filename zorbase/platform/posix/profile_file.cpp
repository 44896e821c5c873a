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

#include <zorbase/platform/durable_file.h>
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
  const DWORD error = WriteFileDurably(native, bytes.data(), bytes.size(), DurableTarget::kReplace);
  if (error != ERROR_ACCESS_DENIED) return error;
  // A folder that refuses new files, holding a file that may be written: rewrite it in place, as
  // Windows can. The profile lock keeps other writers out meanwhile.
  std::string target = native;
  if (char* real = realpath(native.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat info;
  if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return error;
  if (access(FolderOf(target).c_str(), W_OK) == 0 || access(target.c_str(), W_OK) != 0) return error;
  return RewriteInPlace(target, bytes);
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
