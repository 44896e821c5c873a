// MFile: the library's buffered binary file. A runtime-level stream with one in-memory buffer
// (256 KiB by default), typed reads and writes of arrays converted between the machine's and the
// file's byte order (MSwap), a few byte-text operations, and a result code that keeps the first
// failure as a Windows system error code. The memory file, the tagged file and the tag replacer
// derive from it and change the medium by overriding its virtual operations.
//
// Open modes (the low 12 bits; 0x1000 is the text flag):
//   1 read ("rb"); 2 write, truncating or creating ("wb", "wt" with the text flag);
//   3 update, read and write, creating the file when it is missing ("rb+", else "wb+");
//   4 append: writes always go to the end of the file, created when missing ("ab", "at" with the
//     text flag); it buffers like mode 2 and TELL starts at the end of the file.
// Result codes, recorded from the stream's Windows error code (the runtime's errno table of the
// Windows builds, in Windows terms): file or path not found -> 2, bad handle -> 6, access denied
// -> 5, exists -> 31, too many open files -> 4, disk full -> 29 (write fault), anything else
// 0xFFFFFFFF. A read that meets the end of the file records 38
// (ERROR_HANDLE_EOF). Only the first code is kept until the next open or RESET_RESULT.
//
// Buffer rules, briefly: reads are served from the buffer and refill it at the logical position;
// writes fill it and write it out when it is full, on SEEK, FLUSH and CLOSE; in update mode the
// buffer is a window of the file that is written back before it moves. Transfers of at least a
// buffer's size bypass the buffer when it holds nothing. A buffer that could not be written out
// keeps its bytes (a later FLUSH tries again); WRITE then reports only what it could take, FLUSH
// answers false, and CLOSE records the failure and tells the reporter when it is a write fault.
//
// Running out of memory (one rule for MFile and MFileEx): an open whose buffer cannot be allocated
// fails like any failed open, with a result code; any other operation that cannot get the memory
// it needs (a block of file parts, a new buffer size, a copy chunk) throws std::bad_alloc before it
// changes the file or the caller's data. File errors never throw.
//
// One thread at a time per object. The reporter pointer is process-wide and set once at start-up.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <zorbase/files/IZorFileAccess.h>
#include <zorbase/files/MFilePart.h>
#include <zorbase/files/MSwap.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class MFileName;

namespace zb {
namespace files {
class WriteBehind;
}
namespace platform {
class FileStream;
}
}  // namespace zb

class ZORBASE_API MFile : public MSwap {
 public:
  // Mode bits.
  static constexpr unsigned short MODE_READ = 1;
  static constexpr unsigned short MODE_WRITE = 2;
  static constexpr unsigned short MODE_UPDATE = 3;
  static constexpr unsigned short MODE_APPEND = 4;
  static constexpr unsigned short MODE_TEXT = 0x1000;

  // A closed file; both order codes 7. The buffer is allocated by an open; sizes below 1 count 1.
  explicit MFile(size_t buffer_size = 0x40000);
  MFile(const MFile&) = delete;
  MFile& operator=(const MFile&) = delete;

  // ---- virtual operations, in slot order ----------------------------------------------------------

  // CLOSE.
  virtual ~MFile();
  // Sets the buffer size; on an open file writes pending bytes, replaces the buffer and refills it
  // (read and update modes) at the logical position, which stays where it was. Always true.
  virtual bool SET_BUFFER_SIZE(size_t n);
  // False while open for writing (modes 2, 3, 4); true when closed; otherwise whether a read at the
  // logical position would find no byte.
  virtual bool FEOF();
  // Origin 0 from the start, 1 from the logical position, 2 from the end (the larger of the file's
  // end and the end of unwritten buffered bytes). False, changing nothing, when closed or when the
  // target lies outside 0 to the end; seeking never extends the file.
  virtual bool SEEK(__int64 offset, LONG origin);
  // The logical position (0 when closed).
  virtual __int64 TELL() const;
  // Writes the buffer out when open for writing, then flushes the stream. False when bytes could
  // not be written, now or by an earlier write of this open that bypassed the buffer and reached
  // the file only in part (the result code tells why).
  virtual bool FLUSH();
  // Flushes (write modes), tells the reporter when the file was written to and the result code is
  // 29, frees the buffer, closes the stream and forgets name and mode. False when the final flush
  // failed or a write of this open reached the file only in part. The result code survives until
  // the next open.
  virtual bool CLOSE();
  // True at once when `mode` is the current mode; otherwise closes and opens the same name in
  // `mode`, returning that open's result.
  virtual bool CHANGE_MODE(unsigned short mode);
  // The size of the file on disk, without bytes still waiting in the buffer; -1 when closed.
  virtual __int64 SIZE() const;
  virtual bool IS_OPEN() const;
  // Open in mode 1 or 3.
  virtual bool IS_OPEN_READ() const;
  // Open in mode 2, 3 or 4.
  virtual bool IS_OPEN_WRITE() const;
  // Open in mode 3.
  virtual bool IS_OPEN_UPDATE() const;
  // The composed name given to the open, or null when closed.
  virtual const wchar_t* GET_FILENAME() const;
  // The first failure recorded, 0 when none.
  virtual DWORD GET_RESULT() const;
  virtual void RESET_RESULT();
  // Reads `count` elements of `size` bytes into `dest`; needs the file open for reading
  // (IS_OPEN_READ), else 0. Returns whole elements read; the bytes of a trailing partial element are
  // stored too.
  virtual std::uint64_t _READ(void* dest, std::uint64_t count, std::uint64_t size) {
    if (_GET_FAST(dest, count, size)) return count;
    return _READ_BUFFERED(dest, count, size);
  }
  // Writes `count` elements of `size` bytes from `src` (the open mode is not checked). Returns whole
  // elements taken: buffered or written.
  virtual std::uint64_t _WRITE(const void* src, std::uint64_t count, std::uint64_t size) {
    if (_PUT_FAST(src, count, size)) return count;
    return _WRITE_BUFFERED(src, count, size);
  }
  // Opens `name` in `mode` (see the modes above). Clears the result code and closes first; an
  // empty name or a refusing reporter gives false without a result code; a failed open records
  // the code from the stream's error and leaves the file closed.
  virtual bool _OPEN(const MFileName& name, unsigned short mode);

  // ---- opening ------------------------------------------------------------------------------------

  bool OPEN_READ(const MFileName& name) { return _OPEN(name, MODE_READ); }
  bool OPEN_WRITE(const MFileName& name) { return _OPEN(name, MODE_WRITE); }
  bool OPEN_ASCII_WRITE(const MFileName& name) { return _OPEN(name, MODE_WRITE | MODE_TEXT); }
  bool OPEN_UPDATE(const MFileName& name) { return _OPEN(name, MODE_UPDATE); }
  bool OPEN_APPEND(const MFileName& name) { return _OPEN(name, MODE_APPEND); }

  bool REWIND() { return SEEK(0, 0); }

  // The byte-order setters of MSwap, for a file: the buffer's fast paths follow the new codes.
  // Change an open file's codes through the file (or a derived class), not through an MSwap
  // reference to it.
  void SET_FILESWAP(unsigned char code);
  void SET_MACHINESWAP(unsigned char code);

  bool IS_CONTROLLED() const { return m_controlled != 0; }
  void TAKE_CONTROL() { m_controlled = 1; }
  void RELEASE_CONTROL() { m_controlled = 0; }

  // Sets the process-wide reporter that every open of MFile asks (null: none). The caller keeps the
  // object alive while it is set.
  static void SetFileAccessReporter(IZorFileAccess* reporter);
  // True for '\\' and '/'.
  static bool IsFolderSeparator(int c) { return c == '\\' || c == '/'; }

  // ---- typed reads and writes ---------------------------------------------------------------------
  // Each transfers `count` elements and returns the whole elements transferred. There is one
  // overload per fundamental type, with the widths every Windows build gives it in the file:
  // bool and the char types 1 byte; short, char16_t and wchar_t 2; int, long, their unsigned forms,
  // char32_t and float 4; long long (__int64), its unsigned form, double and long double 8.
  //
  // WRITE converts a non-const array to file order in place, writes it and converts it back, so
  // the caller's values are unchanged afterwards; a const array is converted through a copy. READ
  // converts the elements read in place.
  //
  // long and unsigned long are 8 bytes in memory here: WRITE refuses an array with a value that
  // does not fit 32 bits (ERROR_INVALID_PARAMETER, 0 elements, nothing written), and READ sign-
  // extends 4 bytes into long and zero-extends them into unsigned long. wchar_t is written as one
  // UTF-16 unit; a value beyond U+FFFF is refused the same way. long double is rounded to double.

  std::uint64_t WRITE(const bool* p, size_t count) { return _WRITE_INLINE(p, count, 1); }
  std::uint64_t WRITE(const char* p, size_t count) { return _WRITE_INLINE(p, count, 1); }
  std::uint64_t WRITE(const signed char* p, size_t count) { return _WRITE_INLINE(p, count, 1); }
  std::uint64_t WRITE(const unsigned char* p, size_t count) { return _WRITE_INLINE(p, count, 1); }
  std::uint64_t WRITE(short* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(unsigned short* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(char16_t* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(int* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(unsigned int* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(char32_t* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(float* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(double* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(long long* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(unsigned long long* p, size_t count) { return _WRITE_SWAPPED(p, count); }
  std::uint64_t WRITE(const short* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const unsigned short* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const char16_t* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const int* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const unsigned int* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const char32_t* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const float* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const double* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const long long* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const unsigned long long* p, size_t count) { return _WRITE_COPY(p, count); }
  std::uint64_t WRITE(const long* p, size_t count) { return _WRITE_NARROW<std::int32_t, true>(p, count); }
  std::uint64_t WRITE(const unsigned long* p, size_t count) {
    return _WRITE_NARROW<std::uint32_t, true>(p, count);
  }
  std::uint64_t WRITE(const wchar_t* p, size_t count) {
    return _WRITE_NARROW<std::uint16_t, true>(p, count);
  }
  std::uint64_t WRITE(const long double* p, size_t count) {
    return _WRITE_NARROW<double, false>(p, count);
  }
  // Packs `count` parts into one block of count * PART_SIZE() bytes (each by its SWAP_OUT) and writes
  // it; returns the whole records written.
  std::uint64_t WRITE(MFilePart* parts, size_t count);

  // A byte read into a bool becomes true when it is not 0.
  std::uint64_t READ(bool* p, size_t count);
  std::uint64_t READ(char* p, size_t count) { return _READ_INLINE(p, count, 1); }
  std::uint64_t READ(signed char* p, size_t count) { return _READ_INLINE(p, count, 1); }
  std::uint64_t READ(unsigned char* p, size_t count) { return _READ_INLINE(p, count, 1); }
  std::uint64_t READ(short* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(unsigned short* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(char16_t* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(int* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(unsigned int* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(char32_t* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(float* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(double* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(long long* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(unsigned long long* p, size_t count) { return _READ_SWAPPED(p, count); }
  std::uint64_t READ(long* p, size_t count) { return _READ_WIDEN<std::int32_t>(p, count); }
  std::uint64_t READ(unsigned long* p, size_t count) { return _READ_WIDEN<std::uint32_t>(p, count); }
  std::uint64_t READ(wchar_t* p, size_t count) { return _READ_WIDEN<std::uint16_t>(p, count); }
  std::uint64_t READ(long double* p, size_t count) { return _READ_WIDEN<double>(p, count); }
  // Reads up to `count` records into one block and unpacks each record read into its part (by
  // SWAP_IN); the other parts are untouched. Returns the records read.
  std::uint64_t READ(MFilePart* parts, size_t count);

  // Converts the 32-bit *value to file order, writes its first n bytes (n at most 4), converts it
  // back. Returns the bytes written.
  std::uint64_t WRITE_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n);
  // Clears *value, reads n bytes (at most 4) into its first bytes and converts it from file order.
  // Returns the bytes read.
  std::uint64_t READ_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n);
  // The same for a host's unsigned long (8 bytes here, 4 on Windows): a value beyond 32 bits is
  // refused (ERROR_INVALID_PARAMETER, nothing written); a read zero-extends.
  std::uint64_t WRITE_AS_BYTE_ARRAY(unsigned long* value, unsigned long n);
  std::uint64_t READ_AS_BYTE_ARRAY(unsigned long* value, unsigned long n);

  // ---- byte text ----------------------------------------------------------------------------------

  // The bytes of the text, without length or terminator; returns the bytes written. A null text
  // writes nothing.
  std::uint64_t WRITE_STRING(const char* text);
  std::uint64_t WRITE_STRING(const std::string& text);
  // A 2-byte length in file order, then the bytes. A text longer than 65535 bytes cannot be
  // described by its length field: the record then holds its first 65535 bytes (a whole, readable
  // record, never a length that disagrees with the bytes), and the result code records
  // ERROR_INVALID_PARAMETER. Returns the bytes of the text written.
  std::uint64_t WRITE_STRING_DATA(const std::string& text);
  // Reads a 2-byte length (file order) and that many bytes into `text`; returns the bytes read
  // (`text` holds them).
  std::uint64_t READ_STRING_DATA(std::string& text);
  // Writes `text`, and `completion` too when the open mode has the text flag; returns the bytes of
  // `text` written.
  std::uint64_t WRITE_STRING_COMPLETED(const char* text, const char* completion);
  // Reads bytes up to the first one found in `stops` (its terminating NUL counts, so a 0 byte stops
  // too) or until `max` bytes are stored; the stop byte is consumed and not stored. `out` holds at
  // least max + 1 bytes and is terminated. Returns the count. When the file ends first, `out` is
  // emptied, the position is restored to where the call began and the result is size_t(-1).
  size_t READ_STRING_UNTIL(char* out, const char* stops, size_t max);
  size_t READ_STRING_UNTIL(char* out, char* stops, size_t max) {
    return READ_STRING_UNTIL(out, static_cast<const char*>(stops), max);
  }
  // The same into a std::string, sized to the count (emptied at the end of the file).
  size_t READ_STRING_UNTIL(std::string& out, const char* stops, size_t max);
  // Reads up to n - 1 bytes, stopping early when a read fails or at the first byte of 0x80 or above
  // (consumed and dropped); line ends do not stop it. Terminates `out` and returns a pointer to the
  // terminator. With n < 1 nothing is stored and `out` is returned.
  char* FGETS(char* out, int n);
  // Reads up to n - 1 bytes, stopping at CR or LF; after the line end one more byte is read and
  // kept consumed when it is also CR or LF (so CR LF, LF CR and LF LF are each one line end).
  // Terminates `out`; when a line end was seen and `strip_endl` is false, a single LF is appended. Returns a pointer to where the text ends (the LF when one
  // was appended). `out` holds n bytes.
  char* FGETS_STOP_ENDL(char* out, const int& n, const bool& strip_endl);
  // Reads forward byte by byte looking for `text`, at most max_bytes - strlen(text) bytes
  // (max_bytes -1: no limit); case folded by the ASCII rules unless `case_sensitive`. True when
  // found, with the position just after the match. Overlapping starts are found (a failed partial
  // match does not skip a later start).
  bool SEARCH_STRING(const char* text, __int64 max_bytes, bool case_sensitive);
  // Writes formatted narrow text (the platform's Windows-runtime formatter) straight to the stream
  // at the logical position, after writing the buffer out. True when more than 0 characters were
  // written.
  bool VFPRINTF(const char* format, va_list args);
  bool FPRINTF(const char* format, ...);

  // Copies the rest of `source` into this file in chunks of 65536 bytes, or of this file's buffer
  // size when that is larger. False when a write took fewer bytes than were read.
  bool COPY(MFile& source);
  // Copies up to n bytes (all when n is negative) in chunks of at most this file's buffer size.
  // Returns the bytes copied, or -1 when a write took fewer bytes than were read.
  __int64 COPY(MFile& source, __int64 n);

 protected:
  // Record the result code for a Windows system error code (the table above; ERROR_SUCCESS
  // records nothing), or for the stream's last error, unless a code is recorded already.
  void _SET_RESULT_FROM_ERROR(DWORD error);
  void _SET_RESULT_FROM_STREAM();
  // The same for a failure of a call that is not the stream's and reports in errno; a stream error
  // of the last stream call takes precedence. Both go through the platform's one errno mapping.
  void _SET_RESULT_FROM_ERRNO(int errno_value);
  // Records `code` unless a code is recorded already.
  void _SET_RESULT(DWORD code);
  // The buffered paths of _READ and _WRITE.
  std::uint64_t _READ_BUFFERED(void* dest, std::uint64_t count, std::uint64_t size);
  std::uint64_t _WRITE_BUFFERED(const void* src, std::uint64_t count, std::uint64_t size);
  // Writes the buffered bytes out at the buffer's file offset. On success the buffer is empty and
  // starts at the logical position; on failure the unwritten bytes stay buffered and the code is
  // recorded.
  bool _FLUSH_WRITE_BUFFER();
  // What a write does with a full buffer: with write-behind on (see _SET_WRITE_BEHIND) the buffer
  // goes to the background writer and an empty one takes its place; otherwise _FLUSH_WRITE_BUFFER.
  bool _FLUSH_FULL_BUFFER();
  // With write-behind on, a full buffer of a file open for writing in binary mode is written to
  // the file on a thread of the file's own while the program fills the next one: a document of
  // many small records is produced while the system takes the bytes. A failed background write
  // loses nothing: its bytes stay owed and are placed before anything else is written, the failure
  // is recorded as the result code when it becomes known, and the next flush or CLOSE fails while
  // they cannot be placed. Set after the open; CLOSE turns it off.
  void _SET_WRITE_BEHIND(bool on);
  // The stream, once the background writer has finished with it (every use of the stream but the
  // hand-over of a full buffer goes through here).
  zb::platform::FileStream* _STREAM();
  // Fills the buffer from file offset `offset` (the update window is written back first when it
  // holds changes; when that fails nothing is read). Returns the bytes now valid; *read_error is
  // the Windows code of a failed read, ERROR_SUCCESS when the read stopped only at the end of the
  // file.
  std::uint64_t _REFILL(__int64 offset, DWORD* read_error = nullptr);
  bool _IS_WRITE_MODE() const;
  // COPY between two files on disk (this one in binary write mode, `source` in read mode): the
  // bytes still buffered in `source`, then the rest copied by the kernel. Returns 1 when done, 0
  // when a write failed, -1 when the files cannot be copied this way (nothing was done then but
  // writing out this file's pending bytes and the source's buffered bytes, which *copied
  // counts; the caller copies the rest through memory).
  int _COPY_DIRECT(MFile& source, std::uint64_t limit, std::uint64_t* copied);

  // The fast paths of _READ (read mode) and _WRITE (write and append modes) move a pointer into
  // the buffer instead of the fields above. _SYNC folds those pointers back into m_buffer_pos and
  // m_valid_bytes and closes the fast paths; _ARM opens them again from the fields. Code that reads
  // or changes the buffer fields holds a _SyncGuard (or calls _SYNC) first.
  //
  // Both are virtual so that a class with another medium keeps its own position behind the same
  // pointers (the memory file does): m_get..m_get_end are bytes the next reads may take, and
  // m_put..m_put_end room the next writes may fill, exactly as its _READ and _WRITE would, with no
  // byte-order conversion. A derived class that overrides _READ or _WRITE overrides these too.
  virtual void _SYNC();
  virtual void _ARM();
  // What _SYNC does for a medium whose pointers run over `base`: the position becomes the
  // pointer's place, a write pointer past `end` moves the end there, and the paths close.
  void _FOLD_FAST_PATHS(const unsigned char* base, std::uint64_t* position, std::uint64_t* end);
  struct _SyncGuard {
    explicit _SyncGuard(MFile* file) : file_(file) { file_->_SYNC(); }
    ~_SyncGuard() { file_->_ARM(); }
    _SyncGuard(const _SyncGuard&) = delete;
    _SyncGuard& operator=(const _SyncGuard&) = delete;
    MFile* file_;
  };

  // The fast paths themselves: when the whole transfer fits, the bytes are copied and the pointer
  // moved, and the result is true; otherwise nothing happens. The pointer moves before the copy:
  // the copy may write anywhere as far as the compiler knows, so this order keeps the pointer in a
  // register instead of loading it back. The source of a write may lie in a memory file's own
  // block, hence memmove (a plain copy of a register for element sizes).
  bool _GET_FAST(void* dest, std::uint64_t count, std::uint64_t size) {
    const unsigned char* const from = m_get;
    std::uint64_t bytes;
    if (__builtin_expect(!__builtin_mul_overflow(count, size, &bytes) && bytes != 0 &&
                             dest != nullptr &&
                             static_cast<std::uint64_t>(m_get_end - from) >= bytes,
                         1)) {
      m_get = const_cast<unsigned char*>(from) + bytes;
      std::memmove(dest, from, bytes);
      return true;
    }
    return false;
  }
  bool _PUT_FAST(const void* src, std::uint64_t count, std::uint64_t size) {
    unsigned char* const to = m_put;
    std::uint64_t bytes;
    if (__builtin_expect(!__builtin_mul_overflow(count, size, &bytes) && bytes != 0 &&
                             src != nullptr &&
                             static_cast<std::uint64_t>(m_put_end - to) >= bytes,
                         1)) {
      m_put = to + bytes;
      _MOVE(to, src, bytes);
      return true;
    }
    return false;
  }
  // memmove, with the short moves of small records and fields done inline (both ends loaded
  // before either is stored, so overlapping ranges stay correct).
  static void _MOVE(void* to, const void* from, std::uint64_t bytes) {
    const unsigned char* in = static_cast<const unsigned char*>(from);
    unsigned char* out = static_cast<unsigned char*>(to);
    if (bytes >= 8 && bytes <= 16) {
      std::uint64_t head, tail;
      std::memcpy(&head, in, 8);
      std::memcpy(&tail, in + bytes - 8, 8);
      std::memcpy(out, &head, 8);
      std::memcpy(out + bytes - 8, &tail, 8);
    } else if (bytes >= 4 && bytes < 8) {
      std::uint32_t head, tail;
      std::memcpy(&head, in, 4);
      std::memcpy(&tail, in + bytes - 4, 4);
      std::memcpy(out, &head, 4);
      std::memcpy(out + bytes - 4, &tail, 4);
    } else {
      std::memmove(out, in, bytes);
    }
  }
  // The typed and byte transfers take the fast paths inline, before the virtual call: an open
  // fast path is the medium's promise that copying there is what its _READ or _WRITE would do,
  // so a call through an MFile& of any medium costs no call per element either.
  std::uint64_t _WRITE_INLINE(const void* src, std::uint64_t count, std::uint64_t size) {
    if (_PUT_FAST(src, count, size)) return count;
    return _WRITE(src, count, size);
  }
  std::uint64_t _READ_INLINE(void* dest, std::uint64_t count, std::uint64_t size) {
    if (_GET_FAST(dest, count, size)) return count;
    return _READ(dest, count, size);
  }

  // An open fast path means the file converts nothing (_ARM opens them only then), so the typed
  // transfers skip the byte-order test while one is open.
  template <class T>
  std::uint64_t _WRITE_SWAPPED(T* p, size_t count) {
    if (__builtin_expect(static_cast<std::uint64_t>(m_put_end - m_put) / sizeof(T) >= count, 1) ||
        _SWAP_MASK(sizeof(T)) == 0) {
      return _WRITE_INLINE(p, count, sizeof(T));
    }
    SWAP(p, count);
    const std::uint64_t written = _WRITE(p, count, sizeof(T));
    SWAP(p, count);
    return written;
  }
  template <class T>
  std::uint64_t _WRITE_COPY(const T* p, size_t count) {
    if (__builtin_expect(static_cast<std::uint64_t>(m_put_end - m_put) / sizeof(T) >= count, 1) ||
        _SWAP_MASK(sizeof(T)) == 0) {
      return _WRITE_INLINE(p, count, sizeof(T));
    }
    return _WRITE_CONVERTED(p, count);
  }
  // Converts a const array through a copy, chunk by chunk, and writes it. Kept out of line so
  // that the element path of _WRITE_COPY stays small enough to inline.
  template <class T>
  __attribute__((noinline)) std::uint64_t _WRITE_CONVERTED(const T* p, size_t count) {
    T chunk[512];
    std::uint64_t done = 0;
    while (done < count) {
      const size_t n = count - done < 512 ? count - done : 512;
      std::memcpy(chunk, p + done, n * sizeof(T));
      SWAP(chunk, n);
      const std::uint64_t written = _WRITE(chunk, n, sizeof(T));
      done += written;
      if (written < n) break;
    }
    return done;
  }
  template <class T>
  std::uint64_t _READ_SWAPPED(T* p, size_t count) {
    if (__builtin_expect(static_cast<std::uint64_t>(m_get_end - m_get) / sizeof(T) >= count, 1)) {
      return _READ_INLINE(p, count, sizeof(T));
    }
    const std::uint64_t read = _READ(p, count, sizeof(T));
    if (_SWAP_MASK(sizeof(T)) != 0) SWAP(p, read);
    return read;
  }

  // Types whose width in memory differs from their width in the file (long, unsigned long and
  // wchar_t are wider here, long double too) pass through a copy of the file's type. One element
  // that fits goes inline; the rest out of line. With `kExact` a value the file's type cannot hold
  // refuses the whole array before anything is written.
  template <class Narrow, bool kExact, class Wide>
  std::uint64_t _WRITE_NARROW(const Wide* p, size_t count) {
    unsigned char* const to = m_put;
    if (__builtin_expect(count == 1 && p != nullptr &&
                             static_cast<std::uint64_t>(m_put_end - to) >= sizeof(Narrow),
                         1)) {
      const Narrow value = static_cast<Narrow>(*p);
      if (__builtin_expect(!kExact || static_cast<Wide>(value) == *p, 1)) {
        m_put = to + sizeof(Narrow);
        std::memcpy(to, &value, sizeof(Narrow));
        return 1;
      }
    }
    return _WRITE_NARROWED<Narrow, kExact>(p, count);
  }
  template <class Narrow, bool kExact, class Wide>
  __attribute__((noinline)) std::uint64_t _WRITE_NARROWED(const Wide* p, size_t count) {
    if (p == nullptr || count == 0) return 0;
    if (kExact) {
      for (size_t i = 0; i < count; ++i) {
        if (static_cast<Wide>(static_cast<Narrow>(p[i])) != p[i]) {
          _REFUSE_VALUE();
          return 0;
        }
      }
    }
    Narrow chunk[512];
    std::uint64_t done = 0;
    while (done < count) {
      const size_t n = count - done < 512 ? count - done : 512;
      for (size_t i = 0; i < n; ++i) chunk[i] = static_cast<Narrow>(p[done + i]);
      SWAP(chunk, n);
      const std::uint64_t written = _WRITE(chunk, n, sizeof(Narrow));
      done += written;
      if (written < n) break;
    }
    return done;
  }
  template <class Narrow, class Wide>
  std::uint64_t _READ_WIDEN(Wide* p, size_t count) {
    const unsigned char* const from = m_get;
    if (__builtin_expect(count == 1 && p != nullptr &&
                             static_cast<std::uint64_t>(m_get_end - from) >= sizeof(Narrow),
                         1)) {
      Narrow value;
      m_get = const_cast<unsigned char*>(from) + sizeof(Narrow);
      std::memcpy(&value, from, sizeof(Narrow));
      *p = static_cast<Wide>(value);
      return 1;
    }
    return _READ_WIDENED<Narrow>(p, count);
  }
  template <class Narrow, class Wide>
  __attribute__((noinline)) std::uint64_t _READ_WIDENED(Wide* p, size_t count) {
    if (p == nullptr || count == 0) return 0;
    Narrow chunk[512];
    std::uint64_t done = 0;
    while (done < count) {
      const size_t n = count - done < 512 ? count - done : 512;
      const std::uint64_t read = _READ(chunk, n, sizeof(Narrow));
      SWAP(chunk, static_cast<size_t>(read));
      for (std::uint64_t i = 0; i < read; ++i) p[done + i] = static_cast<Wide>(chunk[i]);
      done += read;
      if (read < n) break;
    }
    return done;
  }
  // Records ERROR_INVALID_PARAMETER for a value the file's type cannot hold.
  void _REFUSE_VALUE();

  zb::platform::FileStream* m_stream;  // the open stream; null when closed
  zb::files::WriteBehind* m_behind;    // the background writer while write-behind is on; owned
  // With write-behind: the file position of the outermost record the caller is writing (set by
  // the tagged file as a header is written while none is open, cleared as it is completed), -1
  // when none. A full buffer keeps the bytes from there (when
  // they are few) for the next one, so the record's header is still buffered when its length is
  // filled in, instead of being patched through the file while the writer has it.
  __int64 m_keep_from;
  unsigned char* m_buffer;             // the in-memory window of the file; null when closed
  std::uint64_t m_buffer_pos;          // the logical position, relative to the buffer's start
  std::uint64_t m_buffer_size;         // bytes allocated for the buffer
  __int64 m_buffer_offset;             // file offset of the buffer's first byte
  wchar_t* m_file_name;                // copy of the name given to the open; null when closed
  std::uint64_t m_valid_bytes;         // bytes of the buffer that hold file data
  unsigned char m_controlled;          // TAKE_CONTROL / RELEASE_CONTROL
  unsigned short m_mode;               // mode of the open; 0 when closed
  DWORD m_result;                      // first failure recorded; 0 when none
  bool m_dirty;                        // update mode: the buffer holds bytes not yet written back
  bool m_write_lost;                   // a write of this open reached the file only in part
  unsigned char* m_get;                // read fast path: next byte, or null
  unsigned char* m_get_end;            // read fast path: end of the bytes it may deliver
  unsigned char* m_put;                // write fast path: next free byte, or null
  unsigned char* m_put_end;            // write fast path: end of the room it may fill

  static IZorFileAccess* mp_file_access_reporter;
};
