// A runtime-level file stream with exact counts: the stream under every FILE* that _wfopen hands
// out, and the stream MFile works on. It opens by Windows path with the Windows runtime's mode
// strings and share flags (see <zorbase/platform/crt_file.h>) and holds no buffer of its own, so
// every byte that Write reports has been handed to the operating system, and a short count always
// comes with Error() telling why as a Windows system error code (ERROR_DISK_FULL for a full disk).
// The stream never leaves its error in errno: the runtime functions above it set errno from
// Error(), as the Windows runtime does. Text mode writes LF as CR LF, reads CR LF as LF and ends at
// a Ctrl-Z byte; positions are byte offsets of the file.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

namespace internal {
class FileObject;
}

class ZORBASE_API FileStream {
 public:
  // Opens `name` with a runtime mode string ("rb", "wb", "wt", "rb+", "wb+", "ab", "a+", "r", "w",
  // "a", ...) sharing `share` (FILE_SHARE_* bits; the runtime's default is read and write). Null
  // on failure, with the Windows system error code in *error (when given) and in the thread's last
  // error (ERROR_INVALID_PARAMETER for a bad mode string).
  static std::unique_ptr<FileStream> Open(const wchar_t* name, const wchar_t* mode,
                                          unsigned share = 3, DWORD* error = nullptr);

  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // The Windows system error code of the last call that failed, ERROR_SUCCESS (0) when the last
  // call succeeded. Every call below sets it.
  DWORD Error() const { return error_; }

  // Reads up to `size` bytes; fewer only at the end of the file or on an error (Error() set,
  // Failed() true). Needs a mode that reads (ERROR_INVALID_HANDLE otherwise).
  std::size_t Read(void* buffer, std::size_t size);
  // Writes `size` bytes and returns how many reached the file; fewer only on an error, with Error()
  // set. Needs a mode that writes (ERROR_INVALID_HANDLE otherwise); append modes write at the end.
  std::size_t Write(const void* data, std::size_t size);
  // Moves the position (origin SEEK_SET, SEEK_CUR, SEEK_END); beyond the end is allowed, before
  // the start is ERROR_NEGATIVE_SEEK. False with Error() on failure.
  bool Seek(std::int64_t offset, int origin);
  // The position; -1 with Error() on failure.
  std::int64_t Tell();
  // The size of the file; -1 with Error() on failure.
  std::int64_t Size();
  // The runtime's flush: nothing is buffered, so this only passes the flush fault point. False
  // with Error() when a fault is injected there.
  bool Flush();
  // Writes the file's data to the device (the runtime's _commit); passes the flush fault point.
  bool Commit();
  // Writes `text` as narrow text (through the text translation in text mode); the count of bytes
  // of `text` written.
  std::size_t WriteText(const char* text, std::size_t length);

  // Copies up to `max_bytes` from this stream at *from_offset to `target` at *to_offset inside the
  // kernel (neither stream's position moves; both offsets advance by the bytes copied), passing the
  // write fault point for each block. Stops at the end of this file. Returns the bytes copied; on a
  // failure this stream's Error() tells why. *unsupported is set when the two files cannot be copied this way (then
  // nothing was copied and the caller copies through memory); binary streams only.
  std::uint64_t CopyRangeTo(FileStream& target, std::int64_t* from_offset, std::int64_t* to_offset,
                            std::uint64_t max_bytes, bool* unsupported);

  bool CanRead() const;
  bool CanWrite() const;
  bool IsText() const { return text_; }
  // Whether a read or write failed since the stream was opened.
  bool Failed() const { return failed_; }
  // The file descriptor (for the runtime's _fileno).
  int Descriptor() const;
  // Asks the system to start writing `length` bytes of the file from `offset` to the device without
  // waiting, so a later Flush of a large file has less left to wait for. A hint only: nothing is
  // reported, and a flush still waits for (and reports) every byte.
  void StartWriteback(std::int64_t offset, std::int64_t length);

 private:
  FileStream() = default;

  std::shared_ptr<internal::FileObject> file_;
  bool text_ = false;
  bool end_mark_ = false;  // text mode met Ctrl-Z
  int lookahead_ = -1;     // text mode: a byte read to look past a CR, not yet delivered
  bool failed_ = false;
  DWORD error_ = 0;  // the Windows code of the last call, 0 when it succeeded
  // Record a failure: one the system reported as `errno_value` (through the platform's one
  // errno mapping), or a Windows code. Both set failed_.
  void FailErrno(int errno_value);
  void FailWith(DWORD code);
};

}  // namespace platform
}  // namespace zb
