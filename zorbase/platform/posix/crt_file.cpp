// Runtime-level file functions: stdio streams over the platform's open files (fopencookie), with
// the Windows mode strings, text-mode line ends and the Windows runtime's errno values.
#include <zorbase/platform/crt_file.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_stream.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>

#include "file_internal.h"
#include "zorbase/platform/portable/stream_mode.h"

namespace zb {
namespace platform {
namespace internal {
namespace {

ssize_t RawRead(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return n;
  }
}

// The FILE* of _wfopen: stdio over a FileStream.
// The runtime functions report failures in errno, as the Windows runtime does: from the stream's
// Windows code.
ssize_t CookieRead(void* cookie, char* buffer, std::size_t size) {
  auto* stream = static_cast<FileStream*>(cookie);
  const std::size_t n = stream->Read(buffer, size);
  if (stream->Error() != ERROR_SUCCESS) errno = ErrnoFromWindowsError(stream->Error());
  if (n == 0 && size > 0 && stream->Error() != ERROR_SUCCESS) return -1;
  return static_cast<ssize_t>(n);
}

ssize_t CookieWrite(void* cookie, const char* buffer, std::size_t size) {
  auto* stream = static_cast<FileStream*>(cookie);
  const std::size_t n = stream->Write(buffer, size);
  if (stream->Error() != ERROR_SUCCESS) errno = ErrnoFromWindowsError(stream->Error());
  return n == 0 && size > 0 ? -1 : static_cast<ssize_t>(n);
}

int CookieSeek(void* cookie, off64_t* position, int whence) {
  auto* stream = static_cast<FileStream*>(cookie);
  if (!stream->Seek(*position, whence)) {
    errno = ErrnoFromWindowsError(stream->Error());
    return -1;
  }
  *position = stream->Tell();
  return 0;
}

int CookieClose(void* cookie) {
  delete static_cast<FileStream*>(cookie);
  return 0;
}

FILE* OpenStream(const wchar_t* name, const wchar_t* mode_text, DWORD share) {
  DWORD error = ERROR_SUCCESS;
  std::unique_ptr<FileStream> stream = FileStream::Open(name, mode_text, share, &error);
  if (!stream) {
    errno = ErrnoFromWindowsError(error);
    return nullptr;
  }
  cookie_io_functions_t functions;
  functions.read = CookieRead;
  functions.write = CookieWrite;
  functions.seek = CookieSeek;
  functions.close = CookieClose;
  const char* stdio_mode = stream->CanRead() && stream->CanWrite() ? "r+"
                           : stream->CanWrite()                    ? "w"
                                                                   : "r";
  FILE* file = fopencookie(stream.get(), stdio_mode, functions);
  if (file == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  stream.release();  // owned by the FILE now; CookieClose deletes it
  return file;
}

// Sets errno from the thread's last error after a failed name-level call; returns -1.
int FailFromLastError() {
  errno = ErrnoFromWindowsError(GetLastError());
  return -1;
}

void FillFindData(const WIN32_FIND_DATAW& found, _wfinddata64i32_t* data) {
  auto seconds = [](const FILETIME& ft) -> __time64_t {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<__time64_t>(ticks / 10000000ULL) - 11644473600LL;
  };
  data->attrib = found.dwFileAttributes &
                 (_A_RDONLY | _A_HIDDEN | _A_SYSTEM | _A_SUBDIR | _A_ARCH | FILE_ATTRIBUTE_REPARSE_POINT);
  data->time_create = seconds(found.ftCreationTime);
  data->time_access = seconds(found.ftLastAccessTime);
  data->time_write = seconds(found.ftLastWriteTime);
  data->size = found.nFileSizeLow;
  std::wmemcpy(data->name, found.cFileName, 260);
}

}  // namespace
}  // namespace internal
}  // namespace platform
}  // namespace zb

namespace zb {
namespace platform {

using internal::ErrnoFromWindowsError;
using internal::OpenFileObject;
using internal::OpenOptions;
using internal::WriteAll;

std::unique_ptr<FileStream> FileStream::Open(const wchar_t* name, const wchar_t* mode_text,
                                             unsigned share, DWORD* error_out) {
  internal::StreamMode mode;
  if (name == nullptr || !internal::ParseMode(mode_text, &mode)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    if (error_out != nullptr) *error_out = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  DWORD error = ERROR_SUCCESS;
  bool existed = false;
  OpenOptions options;
  options.append = mode.append;
  auto file = OpenFileObject(name, mode.access, share, mode.disposition, mode.flags, options,
                             &error, &existed);
  if (!file) {
    SetLastError(error);
    if (error_out != nullptr) *error_out = error;
    return nullptr;
  }
  if (error_out != nullptr) *error_out = ERROR_SUCCESS;
  std::unique_ptr<FileStream> stream(new FileStream());
  stream->file_ = std::move(file);
  stream->text_ = mode.text;
  return stream;
}

FileStream::~FileStream() = default;

void FileStream::FailErrno(int errno_value) {
  FailWith(ErrorFromErrno(errno_value != 0 ? errno_value : EIO));
}

void FileStream::FailWith(DWORD code) {
  error_ = code;
  failed_ = true;
}

bool FileStream::CanRead() const { return file_->CanRead(); }

bool FileStream::CanWrite() const { return file_->CanWrite(); }

int FileStream::Descriptor() const { return file_->fd; }

void FileStream::StartWriteback(std::int64_t offset, std::int64_t length) {
  const int fd = Descriptor();
  if (fd >= 0 && offset >= 0 && length > 0) {
    sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
  }
}

std::size_t FileStream::Read(void* buffer_ptr, std::size_t size) {
  char* buffer = static_cast<char*>(buffer_ptr);
  error_ = ERROR_SUCCESS;
  if (!file_->CanRead()) {
    FailWith(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!text_) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = internal::RawRead(file_->fd, buffer + done, size - done);
      if (n < 0) {
        FailErrno(errno);
        break;
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return done;
  }
  std::size_t out = 0;
  while (out < size && !end_mark_) {
    // Raw bytes go into the caller's buffer and are translated in place.
    std::size_t have = out;
    if (lookahead_ >= 0) {
      buffer[have++] = static_cast<char>(lookahead_);
      lookahead_ = -1;
    }
    bool at_end = false;
    if (have < size) {
      const ssize_t n = internal::RawRead(file_->fd, buffer + have, size - have);
      if (n < 0) {
        FailErrno(errno);
        at_end = true;
      } else if (n == 0) {
        at_end = true;
      } else {
        have += static_cast<std::size_t>(n);
      }
    }
    for (std::size_t i = out; i < have; ++i) {
      const char c = buffer[i];
      if (c == 0x1A) {
        end_mark_ = true;
        break;
      }
      if (c != '\r') {
        buffer[out++] = c;
        continue;
      }
      if (i + 1 < have) {
        if (buffer[i + 1] != '\n') buffer[out++] = '\r';  // CR LF: the CR is dropped
        continue;
      }
      // A CR at the end of what was read: look at the next byte of the file.
      char next = 0;
      const ssize_t n = internal::RawRead(file_->fd, &next, 1);
      if (n == 1 && next == '\n') {
        buffer[out++] = '\n';
      } else {
        buffer[out++] = '\r';
        if (n == 1) lookahead_ = static_cast<unsigned char>(next);
      }
    }
    if (at_end) break;
  }
  return out;
}

std::size_t FileStream::Write(const void* data, std::size_t size) {
  error_ = ERROR_SUCCESS;
  if (!file_->CanWrite()) {
    FailWith(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (size == 0) return 0;
  if (lookahead_ >= 0) {
    // The file offset is one past what was delivered: write where the reader stands.
    lseek(file_->fd, -1, SEEK_CUR);
    lookahead_ = -1;
  }
  if (!text_) {
    const std::size_t done = WriteAll(file_->fd, data, size, -1);
    if (done < size) FailErrno(errno);
    return done;
  }
  return WriteText(static_cast<const char*>(data), size);
}

std::size_t FileStream::WriteText(const char* text, std::size_t size) {
  if (!text_) return Write(text, size);
  error_ = ERROR_SUCCESS;
  std::string translated;
  translated.reserve(size + size / 16 + 1);
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == '\n') translated += '\r';
    translated += text[i];
  }
  const std::size_t done = WriteAll(file_->fd, translated.data(), translated.size(), -1);
  if (done == translated.size()) return size;
  FailErrno(errno);
  // Count the caller's bytes whose translation reached the file in full.
  std::size_t consumed = 0;
  std::size_t written = 0;
  while (consumed < size) {
    const std::size_t need = text[consumed] == '\n' ? 2 : 1;
    if (written + need > done) break;
    written += need;
    ++consumed;
  }
  return consumed;
}

bool FileStream::Seek(std::int64_t offset, int origin) {
  error_ = ERROR_SUCCESS;
  if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) {
    error_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  if (origin == SEEK_CUR && lookahead_ >= 0) offset -= 1;
  if (lseek64(file_->fd, offset, origin) < 0) {
    error_ = errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno);
    return false;
  }
  lookahead_ = -1;
  end_mark_ = false;
  return true;
}

std::int64_t FileStream::Tell() {
  error_ = ERROR_SUCCESS;
  const off64_t position = lseek64(file_->fd, 0, SEEK_CUR);
  if (position < 0) {
    error_ = ErrorFromErrno(errno);
    return -1;
  }
  return lookahead_ >= 0 ? position - 1 : position;
}

std::int64_t FileStream::Size() {
  error_ = ERROR_SUCCESS;
  struct stat st;
  if (fstat(file_->fd, &st) != 0) {
    error_ = ErrorFromErrno(errno);
    return -1;
  }
  return st.st_size;
}

std::uint64_t FileStream::CopyRangeTo(FileStream& target, std::int64_t* from_offset,
                                      std::int64_t* to_offset, std::uint64_t max_bytes,
                                      bool* unsupported) {
  *unsupported = false;
  error_ = ERROR_SUCCESS;
  target.error_ = ERROR_SUCCESS;
  if (text_ || target.text_ || !CanRead() || !target.CanWrite() || target.file_->append_only ||
      lookahead_ >= 0) {
    *unsupported = true;
    return 0;
  }
  constexpr std::uint64_t kBlock = 8u << 20;
  std::uint64_t copied = 0;
  while (copied < max_bytes) {
    if (int fault = CheckFault(FaultPoint::kWrite)) {
      target.FailErrno(fault);
      return copied;
    }
    loff_t in = *from_offset;
    loff_t out = *to_offset;
    const std::uint64_t want = std::min<std::uint64_t>(kBlock, max_bytes - copied);
    const ssize_t n = copy_file_range(file_->fd, &in, target.file_->fd, &out, want, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (copied == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF || errno == EPERM)) {
        *unsupported = true;
        return 0;
      }
      target.FailErrno(errno);
      return copied;
    }
    if (n == 0) break;  // the end of this file
    *from_offset = in;
    *to_offset = out;
    copied += static_cast<std::uint64_t>(n);
  }
  return copied;
}

bool FileStream::Flush() {
  error_ = ERROR_SUCCESS;
  if (int fault = CheckFault(FaultPoint::kFlush)) {
    FailErrno(fault);
    return false;
  }
  return true;
}

bool FileStream::Commit() {
  if (!Flush()) return false;
  if (fsync(file_->fd) != 0) {
    FailErrno(errno);
    return false;
  }
  return true;
}

}  // namespace platform
}  // namespace zb

using namespace zb::platform::internal;
using zb::platform::FileStream;

FILE* _wfopen(const wchar_t* name, const wchar_t* mode) {
  return OpenStream(name, mode, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

FILE* _wfsopen(const wchar_t* name, const wchar_t* mode, int share_flag) {
  DWORD share;
  switch (share_flag) {
    case _SH_DENYRW: share = 0; break;
    case _SH_DENYWR: share = FILE_SHARE_READ; break;
    case _SH_DENYRD: share = FILE_SHARE_WRITE; break;
    case _SH_DENYNO: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: errno = EINVAL; return nullptr;
  }
  return OpenStream(name, mode, share);
}

errno_t _wfopen_s(FILE** stream, const wchar_t* name, const wchar_t* mode) {
  if (stream == nullptr) return errno = EINVAL;
  *stream = _wfopen(name, mode);
  return *stream != nullptr ? 0 : errno;
}

int _fseeki64(FILE* stream, __int64 offset, int origin) {
  if (stream == nullptr || (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END)) {
    errno = EINVAL;
    return -1;
  }
  return fseeko64(stream, offset, origin) == 0 ? 0 : -1;
}

__int64 _ftelli64(FILE* stream) {
  if (stream == nullptr) {
    errno = EINVAL;
    return -1;
  }
  return ftello64(stream);
}

int _waccess(const wchar_t* name, int mode) {
  if ((mode & ~6) != 0 || name == nullptr) {
    errno = EINVAL;
    return -1;
  }
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailFromLastError();
  if ((mode & 2) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    errno = EACCES;
    return -1;
  }
  return 0;
}

int _wremove(const wchar_t* name) {
  return DeleteFileW(name) ? 0 : FailFromLastError();
}

int _wunlink(const wchar_t* name) { return _wremove(name); }

int _wrename(const wchar_t* old_name, const wchar_t* new_name) {
  if (MoveFileExW(old_name, new_name, MOVEFILE_COPY_ALLOWED)) return 0;
  const DWORD error = GetLastError();
  errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
              ? EACCES
              : ErrnoFromWindowsError(error);
  return -1;
}

int _wrmdir(const wchar_t* name) {
  if (RemoveDirectoryW(name)) return 0;
  const DWORD error = GetLastError();
  errno = error == ERROR_DIRECTORY || error == ERROR_DIR_NOT_EMPTY ? ENOTEMPTY
                                                                  : ErrnoFromWindowsError(error);
  return -1;
}

int _wmkdir(const wchar_t* name) {
  return CreateDirectoryW(name, nullptr) ? 0 : FailFromLastError();
}

int _wchdir(const wchar_t* name) {
  return SetCurrentDirectoryW(name) ? 0 : FailFromLastError();
}

wchar_t* _wgetcwd(wchar_t* buffer, int max_length) {
  const std::wstring cwd = zb::platform::CurrentWindowsDirectory();
  const std::size_t needed = cwd.size() + 1;
  if (buffer == nullptr) {
    const std::size_t capacity = max_length > 0 && static_cast<std::size_t>(max_length) > needed
                                     ? static_cast<std::size_t>(max_length)
                                     : needed;
    buffer = static_cast<wchar_t*>(std::malloc(capacity * sizeof(wchar_t)));
    if (buffer == nullptr) {
      errno = ENOMEM;
      return nullptr;
    }
  } else if (max_length <= 0 || static_cast<std::size_t>(max_length) < needed) {
    errno = ERANGE;
    return nullptr;
  }
  std::wmemcpy(buffer, cwd.c_str(), needed);
  return buffer;
}

std::intptr_t _wfindfirst64i32(const wchar_t* pattern, _wfinddata64i32_t* data) {
  if (pattern == nullptr || data == nullptr) {
    errno = EINVAL;
    return -1;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EINVAL;
    return -1;
  }
  FillFindData(found, data);
  return reinterpret_cast<std::intptr_t>(search);
}

int _wfindnext64i32(std::intptr_t search, _wfinddata64i32_t* data) {
  WIN32_FIND_DATAW found;
  if (data == nullptr || !FindNextFileW(reinterpret_cast<HANDLE>(search), &found)) {
    errno = data != nullptr && GetLastError() == ERROR_NO_MORE_FILES ? ENOENT : EINVAL;
    return -1;
  }
  FillFindData(found, data);
  return 0;
}

int _findclose(std::intptr_t search) {
  if (!FindClose(reinterpret_cast<HANDLE>(search))) {
    errno = EINVAL;
    return -1;
  }
  return 0;
}
