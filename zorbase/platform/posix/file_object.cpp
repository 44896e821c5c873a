// Open file objects, the share-mode table and its cross-process locks, attributes and the error
// and time conversions of the POSIX file-system backend.
#include "file_internal.h"

#include <zorbase/platform/internal/ascii.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace internal {
namespace {

// ---- share modes --------------------------------------------------------------------------------

// Reserved lock bytes, far beyond any data: one per access right held, one per share denied.
constexpr off_t kLockBase = LLONG_MAX - 64;
constexpr off_t kAccessByte[3] = {kLockBase + 0, kLockBase + 1, kLockBase + 2};
constexpr off_t kDenyByte[3] = {kLockBase + 3, kLockBase + 4, kLockBase + 5};

struct ShareEntry {
  std::uint64_t id;
  unsigned rights;
  unsigned share;
};

struct ShareTable {
  std::mutex mutex;
  std::map<std::pair<dev_t, ino_t>, std::vector<ShareEntry>> files;
  std::uint64_t next_id = 1;
};

ShareTable& Shares() {
  static ShareTable* table = new ShareTable();
  return *table;
}

bool Conflicts(unsigned rights_a, unsigned share_a, unsigned rights_b, unsigned share_b) {
  return (rights_a & ~share_b & 7u) != 0 || (rights_b & ~share_a & 7u) != 0;
}

// A lock record of `type` over `length` bytes from offset `start`.
struct flock LockRange(short type, off_t start, off_t length) {
  struct flock fl;
  std::memset(&fl, 0, sizeof(fl));
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  return fl;
}

int SetLockByte(int fd, short type, off_t at) {
  struct flock fl = LockRange(type, at, 1);
  return fcntl(fd, F_OFD_SETLK, &fl);
}

// 1 when another open description holds a lock on the byte, 0 when none does, -1 when locks do not
// work on this descriptor.
int ByteHeldByOthers(int fd, off_t at) {
  struct flock fl = LockRange(F_WRLCK, at, 1);
  if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return -1;
  return fl.l_type == F_UNLCK ? 0 : 1;
}

void ReleaseLocks(int fd) {
  struct flock fl = LockRange(F_UNLCK, kLockBase, 8);
  fcntl(fd, F_OFD_SETLK, &fl);
}

// Cross-process share check on `fd` (readable). Every open holds read locks on the bytes of the
// rights it has and of the shares it denies, then probes the bytes that would conflict with it.
// Probing after holding means two racing opens can at worst both fail, never both succeed; the
// probe is repeated once after a short pause so such a race rarely shows.
// Returns 1 on success (locks held), 0 on a sharing conflict, -1 when locks are not available.
int AcquireCrossProcess(int fd, unsigned rights, unsigned share) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (int r = 0; r < 3; ++r) {
      const unsigned bit = 1u << r;
      if ((rights & bit) != 0 && SetLockByte(fd, F_RDLCK, kAccessByte[r]) != 0) {
        ReleaseLocks(fd);
        return -1;
      }
      if ((share & bit) == 0 && SetLockByte(fd, F_RDLCK, kDenyByte[r]) != 0) {
        ReleaseLocks(fd);
        return -1;
      }
    }
    bool conflict = false;
    for (int r = 0; r < 3 && !conflict; ++r) {
      const unsigned bit = 1u << r;
      int held = 0;
      if ((rights & bit) != 0) held = ByteHeldByOthers(fd, kDenyByte[r]);
      if (held == 0 && (share & bit) == 0) held = ByteHeldByOthers(fd, kAccessByte[r]);
      if (held < 0) {
        ReleaseLocks(fd);
        return -1;
      }
      conflict = held > 0;
    }
    if (!conflict) return 1;
    ReleaseLocks(fd);
    if (attempt == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 0;
}

int ReopenForLocks(int fd) {
  char proc_path[64];
  std::snprintf(proc_path, sizeof(proc_path), "/proc/self/fd/%d", fd);
  return open(proc_path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

// Enters `file` into the share table and takes its cross-process locks. ERROR_SUCCESS or
// ERROR_SHARING_VIOLATION.
DWORD AcquireShare(FileObject& file) {
  const unsigned rights = ShareRights(file.access);
  if (rights == 0) return ERROR_SUCCESS;  // attribute-only opens take no part in sharing
  const unsigned share = file.share & 7u;
  ShareTable& table = Shares();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto key = std::make_pair(file.device, file.inode);
  auto it = table.files.find(key);
  if (it != table.files.end()) {
    for (const ShareEntry& entry : it->second) {
      if (Conflicts(rights, share, entry.rights, entry.share)) return ERROR_SHARING_VIOLATION;
    }
  }
  const int flags = fcntl(file.fd, F_GETFL);
  int lock_fd = file.fd;
  if (flags < 0 || (flags & O_ACCMODE) == O_WRONLY || (flags & O_PATH) != 0) {
    lock_fd = ReopenForLocks(file.fd);
  }
  if (lock_fd >= 0) {
    const int result = AcquireCrossProcess(lock_fd, rights, share);
    if (result == 0) {
      if (lock_fd != file.fd) close(lock_fd);
      return ERROR_SHARING_VIOLATION;
    }
    if (result < 0 && lock_fd != file.fd) {
      close(lock_fd);  // locks not available here: the process's own table has to do
      lock_fd = -1;
    }
    if (result > 0 && lock_fd != file.fd) file.lock_fd = lock_fd;
  }
  file.share_id = table.next_id++;
  table.files[key].push_back(ShareEntry{file.share_id, rights, share});
  return ERROR_SUCCESS;
}

void ReleaseShare(const FileObject& file) {
  if (file.share_id == 0) return;
  ShareTable& table = Shares();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.files.find(std::make_pair(file.device, file.inode));
  if (it == table.files.end()) return;
  auto& entries = it->second;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const ShareEntry& e) { return e.id == file.share_id; }),
                entries.end());
  if (entries.empty()) table.files.erase(it);
}

// ---- attributes ---------------------------------------------------------------------------------

constexpr const char* kDosAttributeName = "user.DOSATTRIB";
constexpr DWORD kStoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Parses a user.DOSATTRIB value: the text "0x%x", or Samba's binary record (a hex text field,
// possibly empty, its NUL, then a 16-bit version, the 16-bit union switch and the 32-bit attribute
// word, little-endian). False when the value is neither.
bool ParseDosAttribute(const char* data, std::size_t size, DWORD* value) {
  auto parse_hex = [](const char* text, std::size_t n, DWORD* out) {
    if (n < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    DWORD v = 0;
    std::size_t i = 2;
    for (; i < n && text[i] != 0; ++i) {
      char c = text[i];
      const int digit = zb::internal::AsciiDigitValue(c);
      if (digit >= 16 || i > 10) return false;
      v = (v << 4) | static_cast<DWORD>(digit);
    }
    if (i == 2) return false;
    *out = v;
    return true;
  };
  if (parse_hex(data, size, value)) return true;
  const char* nul = static_cast<const char*>(std::memchr(data, 0, size));
  if (nul == nullptr) return false;
  std::size_t at = static_cast<std::size_t>(nul - data) + 1;
  if (at + 8 > size) return false;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(data) + at;
  const unsigned version = b[0] | (b[1] << 8);
  if (version < 1 || version > 5) return false;
  *value = static_cast<DWORD>(b[4]) | (static_cast<DWORD>(b[5]) << 8) |
           (static_cast<DWORD>(b[6]) << 16) | (static_cast<DWORD>(b[7]) << 24);
  return true;
}

}  // namespace

unsigned ShareRights(DWORD access) {
  unsigned rights = 0;
  if ((access & (FILE_READ_DATA | FILE_EXECUTE)) != 0) rights |= kRightRead;
  if ((access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0) rights |= kRightWrite;
  if ((access & DELETE) != 0) rights |= kRightDelete;
  return rights;
}

DWORD ExpandAccess(DWORD access) {
  DWORD out = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if ((access & GENERIC_READ) != 0) out |= FILE_GENERIC_READ;
  if ((access & GENERIC_WRITE) != 0) out |= FILE_GENERIC_WRITE;
  if ((access & GENERIC_EXECUTE) != 0) out |= FILE_GENERIC_EXECUTE;
  if ((access & GENERIC_ALL) != 0) out |= FILE_ALL_ACCESS;
  return out;
}

FileObject::~FileObject() {
  ReleaseShare(*this);
  if (lock_fd >= 0) close(lock_fd);
  if (fd >= 0) close(fd);
  if (delete_on_close && !native_path.empty()) {
    if (directory) {
      rmdir(StripTrailingSlash(native_path).c_str());
    } else {
      unlink(native_path.c_str());
    }
  }
}

std::shared_ptr<FileObject> OpenFileObject(const wchar_t* name, DWORD access, DWORD share,
                                           DWORD disposition, DWORD flags,
                                           const OpenOptions& options, DWORD* error,
                                           bool* existed) {
  *existed = false;
  ResolvedPath path;
  DWORD code = ResolveWindowsPath(name, &path);
  if (code != ERROR_SUCCESS) {
    *error = code;
    return nullptr;
  }
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    *error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  if (int fault = CheckFault(FaultPoint::kOpen)) {
    *error = ErrorFromErrno(fault, path.parent_missing);
    return nullptr;
  }
  access = ExpandAccess(access);
  if ((access & MAXIMUM_ALLOWED) != 0) access = (access & ~MAXIMUM_ALLOWED) | FILE_ALL_ACCESS;
  const bool want_read = (access & (FILE_READ_DATA | FILE_EXECUTE)) != 0;
  const bool want_write = (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
  if (disposition == TRUNCATE_EXISTING && (access & FILE_WRITE_DATA) == 0) {
    *error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  const std::string native = StripTrailingSlash(path.native);

  auto file = std::make_shared<FileObject>();
  file->access = access;
  file->share = share;
  file->native_path = native;
  bool created = false;
  for (int attempt = 0; attempt < 4 && file->fd < 0; ++attempt) {
    struct stat st;
    const bool exists = stat(native.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
      *error = ErrorForPath(errno, path);
      return nullptr;
    }
    if (exists && S_ISDIR(st.st_mode)) {
      if ((flags & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
      }
      if (disposition == CREATE_NEW) {
        *error = ERROR_FILE_EXISTS;
        return nullptr;
      }
      if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) {
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
      }
      file->fd = open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (file->fd < 0) {
        if (errno == ENOENT) continue;  // removed meanwhile: look again
        *error = ErrorForPath(errno, path);
        return nullptr;
      }
      file->directory = true;
      *existed = true;
      break;
    }
    if (path.trailing_separator) {
      *error = ERROR_INVALID_NAME;  // "name\" of something that is not a directory
      return nullptr;
    }
    if (exists) {
      if (disposition == CREATE_NEW) {
        *error = ERROR_FILE_EXISTS;
        return nullptr;
      }
      const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
      if (IsReadOnlyMode(st.st_mode) &&
          (want_write || truncates || (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0)) {
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
      }
    } else if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
      *error = path.parent_missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
    int oflags = O_CLOEXEC | O_NOCTTY;
    oflags |= want_write ? (want_read ? O_RDWR : O_WRONLY) : O_RDONLY;
    if (options.append || ((access & FILE_APPEND_DATA) != 0 && (access & FILE_WRITE_DATA) == 0)) {
      oflags |= O_APPEND;
    }
    if ((flags & FILE_FLAG_WRITE_THROUGH) != 0) oflags |= O_DSYNC;
    mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    if (!exists) oflags |= O_CREAT | O_EXCL;
    file->fd = open(native.c_str(), oflags, mode);
    if (file->fd < 0) {
      const int e = errno;
      if ((e == EEXIST && !exists) || (e == ENOENT && exists)) continue;  // raced: look again
      *error = e == ENOENT ? ErrorForPath(e, path)
                           : ErrorFromErrno(e, zb::platform::ErrnoContext::kCreateNew);
      return nullptr;
    }
    created = !exists;
    *existed = exists;
  }
  if (file->fd < 0) {
    *error = ERROR_FILE_EXISTS;  // a dangling symbolic link or a persistent race
    return nullptr;
  }
  struct stat st;
  if (fstat(file->fd, &st) != 0) {
    *error = ErrorFromErrno(errno);
    return nullptr;
  }
  file->device = st.st_dev;
  file->inode = st.st_ino;
  if (!file->directory && S_ISDIR(st.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  file->append_only = (fcntl(file->fd, F_GETFL) & O_APPEND) != 0;
  code = AcquireShare(*file);
  if (code != ERROR_SUCCESS) {
    if (created) unlink(native.c_str());
    *error = code;
    return nullptr;
  }
  if (*existed && !file->directory &&
      (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
    int truncate_fd = file->fd;
    if (!want_write) {
      char proc_path[64];
      std::snprintf(proc_path, sizeof(proc_path), "/proc/self/fd/%d", file->fd);
      truncate_fd = open(proc_path, O_WRONLY | O_CLOEXEC);
    }
    const int result = truncate_fd >= 0 ? ftruncate(truncate_fd, 0) : -1;
    const int e = errno;
    if (truncate_fd >= 0 && truncate_fd != file->fd) close(truncate_fd);
    if (result != 0) {
      *error = ErrorFromErrno(e);
      return nullptr;
    }
  }
  if (created && (flags & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
    StoreAttributes(native, st, (flags & kStoredBits) | FILE_ATTRIBUTE_ARCHIVE |
                                    (IsReadOnlyMode(st.st_mode) ? FILE_ATTRIBUTE_READONLY : 0));
  }
  if ((flags & FILE_FLAG_SEQUENTIAL_SCAN) != 0) {
    posix_fadvise(file->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  } else if ((flags & FILE_FLAG_RANDOM_ACCESS) != 0) {
    posix_fadvise(file->fd, 0, 0, POSIX_FADV_RANDOM);
  }
  file->delete_on_close = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  *error = ERROR_SUCCESS;
  return file;
}

DWORD CheckDeleteSharing(const std::string& native) {
  const std::string path = StripTrailingSlash(native);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return ERROR_SUCCESS;  // nothing that can be open through this library
  struct stat st;
  DWORD result = ERROR_SUCCESS;
  if (fstat(fd, &st) == 0) {
    ShareTable& table = Shares();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.files.find(std::make_pair(st.st_dev, st.st_ino));
    if (it != table.files.end()) {
      for (const ShareEntry& entry : it->second) {
        if ((entry.share & kRightDelete) == 0) result = ERROR_SHARING_VIOLATION;
      }
    }
    if (result == ERROR_SUCCESS && ByteHeldByOthers(fd, kDenyByte[2]) > 0) {
      result = ERROR_SHARING_VIOLATION;
    }
  }
  close(fd);
  return result;
}

DWORD AttributesOf(const std::string& native, const struct stat& st, const std::string& name) {
  DWORD attributes = 0;
  const bool directory = S_ISDIR(st.st_mode);
  if (directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (IsReadOnlyMode(st.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  char value[128];
  const ssize_t size = getxattr(native.c_str(), kDosAttributeName, value, sizeof(value));
  DWORD stored = 0;
  if (size > 0 && ParseDosAttribute(value, static_cast<std::size_t>(size), &stored)) {
    attributes |= stored & kStoredBits;
  } else if (!directory) {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
  }
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  return attributes;
}

DWORD StoreAttributes(const std::string& native, const struct stat& st, DWORD attributes) {
  const bool directory = S_ISDIR(st.st_mode);
  const bool want_read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (want_read_only != IsReadOnlyMode(st.st_mode)) {
    const mode_t mode = want_read_only ? (st.st_mode & ~static_cast<mode_t>(0222))
                                       : (st.st_mode | S_IWUSR);
    if (chmod(native.c_str(), mode & 07777) != 0) return ErrorFromErrno(errno);
  }
  DWORD bits = attributes & kStoredBits;
  char value[128];
  const ssize_t size = getxattr(native.c_str(), kDosAttributeName, value, sizeof(value));
  DWORD stored = 0;
  const bool has_record =
      size > 0 && ParseDosAttribute(value, static_cast<std::size_t>(size), &stored);
  const DWORD implied = directory ? 0 : FILE_ATTRIBUTE_ARCHIVE;  // what no record means
  if (!has_record && bits == implied) return ERROR_SUCCESS;
  if (has_record && (stored & kStoredBits) == bits) return ERROR_SUCCESS;
  char text[32];
  const int length = std::snprintf(text, sizeof(text), "0x%x",
                                   static_cast<unsigned>(bits | (directory ? FILE_ATTRIBUTE_DIRECTORY : 0)));
  if (setxattr(native.c_str(), kDosAttributeName, text, static_cast<std::size_t>(length), 0) != 0) {
    const int e = errno;
    return ErrorFromErrno(e);
  }
  return ERROR_SUCCESS;
}

FILETIME FileTimeFrom(const struct timespec& ts) {
  const std::int64_t ticks = (static_cast<std::int64_t>(ts.tv_sec) + 11644473600LL) * 10000000LL +
                             ts.tv_nsec / 100;
  const std::uint64_t value = ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

struct timespec TimespecFrom(const FILETIME& ft) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  struct timespec ts;
  ts.tv_sec = static_cast<time_t>(ticks / 10000000ULL) - 11644473600LL;
  ts.tv_nsec = static_cast<long>((ticks % 10000000ULL) * 100);
  return ts;
}

int ErrnoFromWindowsError(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case 161:  // ERROR_BAD_PATHNAME
    case ERROR_FILENAME_EXCED_RANGE: return ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
    case 83:   // ERROR_FAIL_I24
    case 108:  // ERROR_DRIVE_LOCKED
    case 132:  // ERROR_SEEK_ON_DEVICE
    case 158:  // ERROR_NOT_LOCKED
    case 167:  // ERROR_LOCK_FAILED
      return EACCES;
    case ERROR_INVALID_HANDLE:
    case 114:  // ERROR_INVALID_TARGET_HANDLE
    case 130:  // ERROR_DIRECT_ACCESS_HANDLE
      return EBADF;
    case 7:  // ERROR_ARENA_TRASHED
    case ERROR_NOT_ENOUGH_MEMORY:
    case 9:  // ERROR_INVALID_BLOCK
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case 10: return E2BIG;  // ERROR_BAD_ENVIRONMENT
    case ERROR_BAD_FORMAT: return ENOEXEC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_BROKEN_PIPE: return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case 128:  // ERROR_WAIT_NO_CHILDREN
    case 129:  // ERROR_CHILD_NOT_COMPLETE
      return ECHILD;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case 89:   // ERROR_NO_PROC_SLOTS
    case 164:  // ERROR_MAX_THRDS_REACHED
    case 215:  // ERROR_NESTING_NOT_ALLOWED
      return EAGAIN;
    case ERROR_IO_DEVICE: return EIO;
    default:
      if (code >= 19 && code <= 36) return EACCES;    // write protect ... sharing buffer exceeded
      if (code >= 188 && code <= 202) return ENOEXEC;  // invalid executable formats
      return EINVAL;
  }
}

DWORD ErrorForPath(int errno_value, const ResolvedPath& path) {
  return ErrorFromErrno(errno_value, path.parent_missing);
}

BOOL FailWith(DWORD code) {
  SetLastError(code);
  return FALSE;
}

std::string StripTrailingSlash(const std::string& native) {
  std::string out = native;
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string BaseName(const std::string& native) {
  const std::string path = StripTrailingSlash(native);
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& native) {
  const std::string path = StripTrailingSlash(native);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::size_t WriteAll(int fd, const void* data, std::size_t size, std::int64_t offset) {
  if (size == 0) return 0;
  if (int fault = CheckFault(FaultPoint::kWrite)) {
    errno = fault;
    return 0;
  }
  const char* p = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t chunk = std::min<std::size_t>(size - done, 0x40000000);
    const ssize_t n = offset >= 0 ? pwrite(fd, p + done, chunk, static_cast<off_t>(offset + done))
                                  : write(fd, p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done;
    }
    if (n == 0) {
      errno = ENOSPC;
      return done;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

namespace {

bool SameNoCase(wchar_t a, wchar_t b) {
  if (a == b) return true;
  if (a < 0x80 && b < 0x80) return zb::internal::AsciiToUpper(a) == zb::internal::AsciiToUpper(b);
  return UpcaseChar(a) == UpcaseChar(b);
}

// Patterns of literals and '*' only (the usual kind): the linear matcher that remembers the last
// star and retries one character further on a mismatch.
bool MatchStarsOnly(const std::wstring& pattern, const std::wstring& name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && SameNoCase(pattern[p], name[n])) {
      ++p;
      ++n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name) {
  if (pattern.find_first_of(L"<>\"") == std::wstring::npos) return MatchStarsOnly(pattern, name);
  const std::size_t P = pattern.size();
  const std::size_t N = name.size();
  const std::size_t last_dot = name.rfind(L'.');
  // match(p, n): pattern from p matches name from n. Rows p are computed from the end of the
  // pattern back; each needs the row below (p + 1) and its own entry at n + 1. Two rows of the
  // table, kept per thread so that listing a large directory allocates nothing per name.
  thread_local std::vector<unsigned char> below_row, row;
  below_row.assign(N + 1, 0);
  row.assign(N + 1, 0);
  below_row[N] = 1;  // p == P matches only the end of the name
  for (std::size_t p = P; p-- > 0;) {
    const wchar_t c = pattern[p];
    for (std::size_t n = N + 1; n-- > 0;) {
      const bool has = n < N;
      const wchar_t ch = has ? name[n] : 0;
      bool value = false;
      switch (c) {
        case L'*':
          value = below_row[n] || (has && row[n + 1]);
          break;
        case L'?':
          value = has && below_row[n + 1];
          break;
        case L'<':  // any run that does not pass the name's last dot
          value = below_row[n] || (has && n != last_dot && row[n + 1]);
          break;
        case L'>':  // one character other than a dot, or nothing at a dot or the end
          value = (has && ch != L'.' && below_row[n + 1]) || ((!has || ch == L'.') && below_row[n]);
          break;
        case L'"':  // a dot, or nothing at the end
          value = (has && ch == L'.' && below_row[n + 1]) || (!has && below_row[n]);
          break;
        default:
          value = has && SameNoCase(ch, c) && below_row[n + 1];
          break;
      }
      row[n] = value ? 1 : 0;
    }
    below_row.swap(row);
  }
  return below_row[0] != 0;
}

std::wstring DosPattern(const std::wstring& pattern) {
  if (pattern == L"*.*") return L"*";
  std::wstring out = pattern;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : 0;
    if (pattern[i] == L'?') {
      out[i] = L'>';
    } else if (pattern[i] == L'*' && next == L'.') {
      out[i] = L'<';
    } else if (pattern[i] == L'.' && (next == L'?' || next == L'*' || next == 0)) {
      out[i] = L'"';
    }
  }
  return out;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
