// The library's file stream on Windows: a file handle of CreateFileW, read and written with exact
// counts, text-mode line ends translated here as the runtime does.
#include <zorbase/platform/file_stream.h>

#include <cstdio>
#include <string>

#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/last_error.h>

#include "zorbase/platform/portable/stream_mode.h"

namespace zb {
namespace platform {
namespace internal {

// The open file under a stream.
class FileObject {
 public:
  FileObject(HANDLE handle, const StreamMode& mode)
      : handle(handle), read(mode.read), write(mode.write), append(mode.append) {}
  ~FileObject() { CloseHandle(handle); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  const HANDLE handle;
  const bool read;
  const bool write;
  const bool append;
};

}  // namespace internal

namespace {

// Reads up to `size` bytes; -1 with the last error set on failure, 0 at the end of the file.
long long RawRead(HANDLE handle, char* buffer, std::size_t size) {
  DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  DWORD done = 0;
  if (!ReadFile(handle, buffer, chunk, &done, nullptr)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return done;
}

}  // namespace

std::unique_ptr<FileStream> FileStream::Open(const wchar_t* name, const wchar_t* mode_text,
                                             unsigned share, DWORD* error_out) {
  internal::StreamMode mode;
  DWORD error = ERROR_SUCCESS;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (name == nullptr || !internal::ParseMode(mode_text, &mode)) {
    error = ERROR_INVALID_PARAMETER;
  } else if (int fault = CheckFault(FaultPoint::kOpen)) {
    error = ErrorFromErrno(fault);
  } else {
    handle = CreateFileW(name, mode.access, share, nullptr, mode.disposition, mode.flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) error = GetLastError();
  }
  if (error_out != nullptr) *error_out = error;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  std::unique_ptr<FileStream> stream(new FileStream());
  stream->file_ = std::make_shared<internal::FileObject>(handle, mode);
  stream->text_ = mode.text;
  return stream;
}

FileStream::~FileStream() = default;

void FileStream::FailErrno(int errno_value) { FailWith(ErrorFromErrno(errno_value)); }

void FileStream::FailWith(DWORD code) {
  error_ = code;
  failed_ = true;
}

bool FileStream::CanRead() const { return file_->read; }

bool FileStream::CanWrite() const { return file_->write; }

int FileStream::Descriptor() const { return -1; }

void FileStream::StartWriteback(std::int64_t, std::int64_t) {}

std::size_t FileStream::Read(void* buffer_ptr, std::size_t size) {
  char* buffer = static_cast<char*>(buffer_ptr);
  error_ = ERROR_SUCCESS;
  if (!CanRead()) {
    FailWith(ERROR_INVALID_HANDLE);
    return 0;
  }
  const HANDLE handle = file_->handle;
  if (!text_) {
    std::size_t done = 0;
    while (done < size) {
      const long long n = RawRead(handle, buffer + done, size - done);
      if (n < 0) {
        FailWith(GetLastError());
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
      const long long n = RawRead(handle, buffer + have, size - have);
      if (n < 0) {
        FailWith(GetLastError());
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
      const long long n = RawRead(handle, &next, 1);
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

namespace {

// Writes all of `data` unless the system or an injected fault stops it; the bytes written.
std::size_t WriteAll(HANDLE handle, bool append, const char* data, std::size_t size,
                     DWORD* error) {
  *error = ERROR_SUCCESS;
  if (append) {
    LARGE_INTEGER zero{};
    SetFilePointerEx(handle, zero, nullptr, FILE_END);
  }
  std::size_t done = 0;
  while (done < size) {
    if (int fault = CheckFault(FaultPoint::kWrite)) {
      *error = ErrorFromErrno(fault);
      break;
    }
    const std::size_t left = size - done;
    DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(handle, data + done, chunk, &written, nullptr)) {
      *error = GetLastError();
      break;
    }
    if (written == 0) {
      *error = ERROR_WRITE_FAULT;
      break;
    }
    done += written;
  }
  return done;
}

}  // namespace

std::size_t FileStream::Write(const void* data, std::size_t size) {
  error_ = ERROR_SUCCESS;
  if (!CanWrite()) {
    FailWith(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (size == 0) return 0;
  if (lookahead_ >= 0) {
    // The file offset is one past what was delivered: write where the reader stands.
    LARGE_INTEGER back;
    back.QuadPart = -1;
    SetFilePointerEx(file_->handle, back, nullptr, FILE_CURRENT);
    lookahead_ = -1;
  }
  if (!text_) {
    DWORD error = ERROR_SUCCESS;
    const std::size_t done =
        WriteAll(file_->handle, file_->append, static_cast<const char*>(data), size, &error);
    if (done < size) FailWith(error);
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
  DWORD error = ERROR_SUCCESS;
  const std::size_t done =
      WriteAll(file_->handle, file_->append, translated.data(), translated.size(), &error);
  if (done == translated.size()) return size;
  FailWith(error);
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
  DWORD method;
  switch (origin) {
    case SEEK_SET: method = FILE_BEGIN; break;
    case SEEK_CUR: method = FILE_CURRENT; break;
    case SEEK_END: method = FILE_END; break;
    default:
      error_ = ERROR_INVALID_PARAMETER;
      return false;
  }
  if (origin == SEEK_CUR && lookahead_ >= 0) offset -= 1;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(file_->handle, distance, nullptr, method)) {
    error_ = GetLastError();
    return false;
  }
  lookahead_ = -1;
  end_mark_ = false;
  return true;
}

std::int64_t FileStream::Tell() {
  error_ = ERROR_SUCCESS;
  LARGE_INTEGER zero{};
  LARGE_INTEGER position{};
  if (!SetFilePointerEx(file_->handle, zero, &position, FILE_CURRENT)) {
    error_ = GetLastError();
    return -1;
  }
  return lookahead_ >= 0 ? position.QuadPart - 1 : position.QuadPart;
}

std::int64_t FileStream::Size() {
  error_ = ERROR_SUCCESS;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_->handle, &size)) {
    error_ = GetLastError();
    return -1;
  }
  return size.QuadPart;
}

std::uint64_t FileStream::CopyRangeTo(FileStream& target, std::int64_t*, std::int64_t*,
                                      std::uint64_t, bool* unsupported) {
  // Windows has no copy between two open handles: the caller copies through memory.
  error_ = ERROR_SUCCESS;
  target.error_ = ERROR_SUCCESS;
  *unsupported = true;
  return 0;
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
  if (!FlushFileBuffers(file_->handle)) {
    FailWith(GetLastError());
    return false;
  }
  return true;
}

}  // namespace platform
}  // namespace zb
