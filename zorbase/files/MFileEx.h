// MFileEx: a buffered file on platform handles (CreateFileW, ReadFile, WriteFile, ...), with 64-bit
// positions and sizes, one buffer that holds either read-ahead or pending writes, a text mode that
// translates line ends, wide and narrow text operations, and the typed serialization of MFile: in
// binary mode the same values give the same bytes as MFile, in the file's byte order (MSwap).
//
// Text in files: wide text (WRITE_STRING, WRITE_STRING_DATA, FPRINTF, FGETS, READ_STRING_UNTIL
// with wchar_t) is UTF-16LE, two bytes a code unit, whatever the order codes; a character beyond
// U+FFFF becomes a surrogate pair on the way out and one wchar_t on the way back. Typed wchar_t
// arrays (READ/WRITE of wchar_t) are UTF-16 units in the file's byte order (the 16-bit rule).
//
// Text mode (open modes with 0x1000): every LF written becomes CR LF; on reading, every CR is
// dropped and the next unit read in its place (so CR LF becomes LF, and a lone CR disappears); a
// read reports the units it stored, never more than requested. The unit
// is the byte, or the 16-bit code unit for wide text and wchar_t arrays. Typed binary values pass
// through the translation too: text mode is meant for text.
//
// Result codes (GET_RESULT): the last platform error of a failing call, mapped: 0, 2, 4, 5, 6, 8,
// 32 and 33 stay, 39 and 112 (disk full) become 29, 183 becomes 31, any other 0xFFFFFFFF. A
// successful transfer sets the code back to 0, except after a write lost bytes: that code stays
// until the next open, and CLOSE and FLUSH report the loss (false), so no operation reports
// success for bytes that did not reach the file.
//
// One object is used by one thread at a time. The reporter pointer is process-wide and set once
// at start-up.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

class MFilePartEx;

class ZORBASE_API MFileEx : public MSwap {
 public:
  // Open modes (the value of _OPEN's mode and of the stored mode).
  static constexpr int MODE_READ = 0x1;
  static constexpr int MODE_WRITE = 0x2;
  static constexpr int MODE_APPEND = 0x4;
  static constexpr int MODE_UPDATE = 0x8;
  static constexpr int MODE_TEXT = 0x1000;

  // Buffer states: the buffer holds read-ahead (1) or pending writes (2); 0 in update mode
  // before the first transfer.
  static constexpr int STATE_READ = 0x1;
  static constexpr int STATE_WRITE = 0x2;

  // A closed file with a buffer of `buffer_size` bytes (at least 16; smaller sizes are raised to
  // 16 so that line ends and surrogate pairs can always be looked ahead). Both order codes 7.
  explicit MFileEx(size_t buffer_size = 0x40000);
  // Closes when open (pending bytes are written) and frees the buffer.
  virtual ~MFileEx();

  MFileEx(const MFileEx&) = delete;
  MFileEx& operator=(const MFileEx&) = delete;

  // ---- opening and closing ------------------------------------------------------------------

  // Opens `name` in `mode` (one of the eight modes below). Closes first; an empty name, a mode
  // outside the table or a refusal of the file access reporter gives false with the file closed.
  // A failed platform open records the result code. The read flag given to the reporter is bit 0
  // of the mode.
  bool _OPEN(const MFileName& name, int mode);
  // Read: share read, the file must exist; the buffer starts in read state.
  bool OPEN_READ(const MFileName& name) { return _OPEN(name, MODE_READ); }
  bool OPEN_ASCII_READ(const MFileName& name) { return _OPEN(name, MODE_READ | MODE_TEXT); }
  // Write: share read, created or truncated.
  bool OPEN_WRITE(const MFileName& name) { return _OPEN(name, MODE_WRITE); }
  bool OPEN_ASCII_WRITE(const MFileName& name) { return _OPEN(name, MODE_WRITE | MODE_TEXT); }
  // Append: share read, created when missing; every write goes to the end of the file, and the
  // position starts (and after each write stands) at the end.
  bool OPEN_APPEND(const MFileName& name) { return _OPEN(name, MODE_APPEND); }
  bool OPEN_ASCII_APPEND(const MFileName& name) { return _OPEN(name, MODE_APPEND | MODE_TEXT); }
  // Update: read and write, share read, created when missing; position 0.
  bool OPEN_UPDATE(const MFileName& name) { return _OPEN(name, MODE_UPDATE); }
  bool OPEN_ASCII_UPDATE(const MFileName& name) { return _OPEN(name, MODE_UPDATE | MODE_TEXT); }

  // Writes pending bytes, tells the reporter (when set) if a write of this open lost bytes, closes
  // the handle and forgets name and mode. True when the file was not open, or when every byte
  // written since the open reached the file and the handle closed cleanly.
  bool CLOSE();

  // True at once when `mode` is the current mode; otherwise closes and opens the same name again
  // in `mode`, and returns the result of that open. False when the file is not open.
  bool CHANGE_MODE(int mode);

  bool IS_OPEN() const { return m_handle != nullptr; }
  // Mode 1 or 8 (text flag ignored).
  bool IS_OPEN_READ() const;
  // Mode 2, 4 or 8.
  bool IS_OPEN_WRITE() const;
  // Mode 8.
  bool IS_OPEN_UPDATE() const;
  // The mode of the open file (text flag included), 0 when closed.
  int GET_MODE() const { return m_mode; }

  // The name given to the open, or null when closed. Valid until the file closes.
  const wchar_t* GET_FILENAME() const;
  DWORD GET_RESULT() const { return m_result; }
  // Clears the result code (also the kept code of a lost write).
  void RESET_RESULT();

  bool IS_CONTROLLED() const { return m_controlled != 0; }
  void TAKE_CONTROL() { m_controlled = 1; }
  void RELEASE_CONTROL() { m_controlled = 0; }

  // Sets the process-wide reporter asked by every open of MFileEx (null: none). Separate from
  // MFile's reporter.
  static void SetFileAccessReporter(IZorFileAccess* reporter);
  // True for '\\' and '/'.
  static bool IsFolderSeparator(int c) { return c == '\\' || c == '/'; }

  // ---- position and size -------------------------------------------------------------------

  // Moves to `offset` from the start (origin 0), the position (1) or the end (2). The target must
  // lie in 0 to the file size (pending bytes counted); otherwise, for another origin, on a closed
  // file, or when pending bytes cannot be written, false and nothing moves.
  bool SEEK(__int64 offset, int origin);
  // The file position; 0 when closed.
  std::uint64_t TELL() const {
    if (m_handle == nullptr) return 0;
    const std::uint64_t in_buffer = m_get != nullptr   ? static_cast<std::uint64_t>(m_get - m_buffer)
                                    : m_put != nullptr ? static_cast<std::uint64_t>(m_put - m_buffer)
                                                       : m_buffer_position;
    return m_buffer_offset + in_buffer;
  }
  bool REWIND() { return SEEK(0, 0); }
  // Writes pending bytes, then the size of the file; -1 when closed or the size is unknown.
  __int64 SIZE();
  // Whether a read at the position finds no byte: true when closed, false in the write, append
  // and update modes; in read mode the read-ahead answers, or one refill of it.
  bool FEOF();
  // Writes pending bytes; with `to_disk` also asks the system to write its buffers to the device.
  // False when bytes were lost (now or earlier in this open) or the flush failed.
  bool FLUSH(bool to_disk = false);
  // Writes pending bytes and replaces the buffer by one of `n` bytes (at least 16); in read state
  // the read-ahead is fetched again from the position. False when pending bytes were lost.
  bool SET_BUFFER_SIZE(size_t n);
  size_t GET_BUFFER_SIZE() const { return static_cast<size_t>(m_buffer_size); }

  // The byte-order setters of MSwap, for a file: the inline element paths follow the new codes.
  // Change an open file's codes through the file, not through an MSwap reference to it.
  void SET_FILESWAP(unsigned char code);
  void SET_MACHINESWAP(unsigned char code);

  // Copies `n` bytes (all ones: up to the end) from the position of `source` to this file, in
  // chunks of this file's buffer size, each side in its own mode (text translation included).
  // True when every chunk read was written in full. A file cannot copy from itself.
  bool COPY(MFileEx& source, size_t n = static_cast<size_t>(-1));

  // ---- typed arrays ------------------------------------------------------------------------
  // Each transfers `count` elements and returns the number of whole elements transferred. Values
  // are converted between the machine's and the file's byte order (MSwap rules); WRITE never
  // changes the caller's array. A partial element at the end of a read is stored but not counted.
  // One overload per fundamental type, with the widths every Windows build gives it: bool and the
  // char types 1 byte; short and char16_t 2; int, long, their unsigned forms, char32_t and float
  // 4; long long (__int64), its unsigned form, double and long double 8. long and unsigned long
  // are 8 bytes in memory here: WRITE refuses an array with a value that does not fit 32 bits
  // (result code ERROR_INVALID_PARAMETER, 0 elements, nothing written); READ sign-extends 4 bytes
  // into long and zero-extends them into unsigned long. long double is rounded to double.

  // A byte read into a bool becomes true when it is not 0.
  std::uint64_t READ(bool* p, size_t count);
  std::uint64_t READ(char* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(signed char* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(unsigned char* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(short* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(unsigned short* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(char16_t* p, size_t count) { return _READ_INLINE(p, count); }
  // UTF-16 units in the file's order; a surrogate pair becomes one element.
  std::uint64_t READ(wchar_t* p, size_t count);
  std::uint64_t READ(int* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(unsigned int* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(char32_t* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(long* p, size_t count) { return _READ_WIDEN<std::int32_t>(p, count); }
  std::uint64_t READ(unsigned long* p, size_t count) { return _READ_WIDEN<std::uint32_t>(p, count); }
  std::uint64_t READ(float* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(long long* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(unsigned long long* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(double* p, size_t count) { return _READ_INLINE(p, count); }
  std::uint64_t READ(long double* p, size_t count) { return _READ_WIDEN<double>(p, count); }

  std::uint64_t WRITE(const bool* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const char* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const signed char* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const unsigned char* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const short* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const unsigned short* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const char16_t* p, size_t count) { return _WRITE_INLINE(p, count); }
  // Each element as a UTF-16 unit (a character beyond U+FFFF as a pair) in the file's order; the
  // count is of whole elements written.
  std::uint64_t WRITE(const wchar_t* p, size_t count);
  std::uint64_t WRITE(const int* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const unsigned int* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const char32_t* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const long* p, size_t count) { return _WRITE_NARROW<std::int32_t, true>(p, count); }
  std::uint64_t WRITE(const unsigned long* p, size_t count) {
    return _WRITE_NARROW<std::uint32_t, true>(p, count);
  }
  std::uint64_t WRITE(const float* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const long long* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const unsigned long long* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const double* p, size_t count) { return _WRITE_INLINE(p, count); }
  std::uint64_t WRITE(const long double* p, size_t count) {
    return _WRITE_NARROW<double, false>(p, count);
  }

  // Arrays of file parts: count records of parts->PART_SIZE() bytes, packed by SWAP_OUT into one
  // block and written (text translation applies in text mode), or read as one block and unpacked
  // by SWAP_IN into each part read. Return the whole records transferred; parts beyond them are
  // untouched. A part size of 0, or a block that would not fit in memory, transfers nothing.
  std::uint64_t WRITE(const MFilePartEx* parts, size_t count);
  std::uint64_t READ(MFilePartEx* parts, size_t count);

  // Converts the 32-bit value to file order and writes its first n bytes (n at most 4; more is
  // refused: 0). Returns the bytes written. The caller's value is unchanged.
  std::uint64_t WRITE_AS_BYTE_ARRAY(const std::uint32_t* value, std::uint32_t n);
  // Clears the value, reads n bytes (at most 4) into its first bytes and converts it from file
  // order. Returns the bytes read.
  std::uint64_t READ_AS_BYTE_ARRAY(std::uint32_t* value, std::uint32_t n);

  // ---- strings ---------------------------------------------------------------------------------

  // A 2-byte count of UTF-16 units (file order), then the units (UTF-16LE). A text of more than
  // 65535 units cannot be described by its count: the record then holds its first 65535 units (a
  // surrogate pair is not split, so it may hold 65534), a whole readable record whose count agrees
  // with its units, and the result code records the cut (0xFFFFFFFF). Returns the characters of
  // the text written.
  std::uint64_t WRITE_STRING_DATA(const CString& text);
  // A 2-byte byte count (file order), then the bytes; more than 65535 bytes are cut as above.
  // Returns the bytes of the text written.
  std::uint64_t WRITE_STRING_DATA(const CStringA& text);
  // The inverse: the count, then that many units or bytes into `text` (what could be read when
  // the file ends early). Returns the units (bytes) of text read.
  size_t READ_STRING_DATA(CString& text);
  size_t READ_STRING_DATA(CStringA& text);

  // The text's units without count or terminator (wide: UTF-16LE, as a wide text operation). A
  // null text writes nothing. Returns the characters (bytes) written in full.
  size_t WRITE_STRING(const CString& text);
  size_t WRITE_STRING(const wchar_t* text);
  size_t WRITE_STRING(const CStringA& text);
  size_t WRITE_STRING(const char* text);
  // Writes `text`; in text mode also `completion`. Returns the characters of `text` written.
  size_t WRITE_STRING_COMPLETED(const wchar_t* text, const wchar_t* completion);
  size_t WRITE_STRING_COMPLETED(const char* text, const char* completion);

  // Reads characters up to the first one found in `stops` (its terminating 0 counts, so a 0
  // character also stops; a null `stops` stops only at 0) or until `max` characters are stored.
  // The stop character is consumed and not stored. At the end of the file the text read so far
  // is kept. `out` receives the text and a terminator, so it must hold max + 1 characters.
  // Returns the characters stored (0 with nothing stored for a null `out`).
  size_t READ_STRING_UNTIL(wchar_t* out, const wchar_t* stops, size_t max);
  size_t READ_STRING_UNTIL(char* out, const char* stops, size_t max);
  // The same into a string (at most `max` characters).
  size_t READ_STRING_UNTIL(CString& out, const wchar_t* stops, size_t max);
  size_t READ_STRING_UNTIL(CStringA& out, const char* stops, size_t max);

  // Formats with the platform formatter (Windows runtime rules) and writes the text: wide formats
  // as UTF-16LE (a wide text operation), narrow ones as bytes. Returns the characters written in
  // full, or -1 for a null format.
  int FPRINTF(const wchar_t* format, ...);
  int VFPRINTF(const wchar_t* format, va_list args);
  int FPRINTF(const char* format, ...);
  int VFPRINTF(const char* format, va_list args);

  // Reads a line of UTF-16 units into `out` (room for n characters, terminator included): a CR
  // or LF ends it and is stored as one LF (a CR directly followed by LF is one line end); at n-1
  // characters without a line end the text is cut there; the end of the file ends it. Always
  // returns `out`; n < 1 or a null `out` reads nothing.
  wchar_t* FGETS(wchar_t* out, int n);
  // Reads up to n-1 bytes; stops early at the end of the file or at the first byte of 0x80 or
  // above (that byte is consumed and not stored); line ends do not stop it. Terminates `out` and
  // returns it.
  char* FGETS(char* out, int n);
  // Reads up to n-1 bytes of a line: a CR or LF ends it; one more byte is read and kept consumed
  // when it is also CR or LF (CR LF, LF CR and LF LF are each one line end), and left unread
  // otherwise. Unless `strip_endl`,
  // a line that ended with a line end gets one LF. Terminates `out` and returns it.
  char* FGETS_STOP_ENDL(char* out, int n, bool strip_endl);

  // Reads forward looking for `text`: at most `max` units minus the length of the text are read
  // (max all ones: no limit; max not above the length: false at once). True as soon as the text
  // has been read, with the position just after it; false at the end of the file or when the
  // window is used up. Without `case_sensitive` units are folded by the ASCII rules only (A-Z to
  // a-z, whatever the process locale), as MFile does. Occurrences that overlap a partial match are
  // found.
  bool SEARCH_STRING(const wchar_t* text, size_t max, bool case_sensitive);
  bool SEARCH_STRING(const char* text, size_t max, bool case_sensitive);

 protected:
  // The unit of text-mode translation for a transfer.
  enum TextUnit { kTextByte = 0, kTextUnitLE = 1, kTextUnitBE = 2 };

  // Prepares a read (write): checks that the file is open for it (else records 6 or 5 and gives
  // false) and switches the buffer state.
  bool _BEGIN_READ();
  bool _BEGIN_WRITE();
  // Reads n bytes at the position (text translation in text mode); returns the bytes stored.
  std::uint64_t _READ_BYTES(void* dest, std::uint64_t n, TextUnit unit);
  // Writes n bytes at the position (text translation in text mode); returns the caller's bytes
  // taken. Bytes that were lost before they reached the file are not counted.
  std::uint64_t _WRITE_BYTES(const void* src, std::uint64_t n, TextUnit unit);
  // Writes the pending bytes; false when some were lost (the position is then the end of what
  // reached the file).
  bool _FLUSH_WRITES();
  // Drops the read-ahead and moves the handle to the position.
  bool _DROP_READ_AHEAD();
  // Makes at least k bytes of read-ahead available if the file holds them; returns the bytes
  // available.
  std::uint64_t _PEEK(std::uint64_t k);
  // Moves the position back to `position` (before the current one) in read state.
  void _UNREAD_TO(std::uint64_t position);
  // Reads one UTF-16 unit in LE order (text translation in text mode); false at the end.
  bool _READ_UNIT16(std::uint16_t* unit);
  // Reads one wide character (a surrogate pair as one character); false at the end.
  bool _READ_WIDE_CHAR(wchar_t* ch);
  // Writes wide text as UTF-16 units; returns the characters written in full.
  size_t _WRITE_WIDE(const wchar_t* text, size_t length, TextUnit unit, bool to_file_order);
  // The platform transfers in pieces of at most 0xFFFFFFFF bytes; return the bytes moved and
  // record the result code.
  std::uint64_t _READ_HANDLE(void* dest, std::uint64_t n);
  std::uint64_t _WRITE_HANDLE(const void* src, std::uint64_t n);
  bool _SET_HANDLE_POSITION(std::uint64_t position);
  // Records the result code for a platform error.
  void _RECORD_ERROR(DWORD error);
  void _RECORD_SUCCESS();
  // Typed transfers of `count` elements of `width` bytes (1, 2, 4 or 8), converted through MSwap:
  // a write through a staging copy, a read in place.
  std::uint64_t _WRITE_ELEMENTS(const void* p, size_t count, size_t width);
  std::uint64_t _READ_ELEMENTS(void* p, size_t count, size_t width);
  // The common case inline: binary mode, no conversion, and the bytes fit the pending block (or
  // are held in the read-ahead), so an element-by-element loop costs no call into the library.
  // The pointer moves before the copy, which keeps it in a register (the copy may write anywhere
  // as far as the compiler knows).
  template <typename T>
  std::uint64_t _WRITE_INLINE(const T* p, size_t count) {
    unsigned char* const to = m_put;
    if (__builtin_expect(
            p != nullptr && count != 0 &&
                count <= static_cast<std::uint64_t>(m_put_end - to) / sizeof(T),
            1)) {
      const std::uint64_t bytes = static_cast<std::uint64_t>(count) * sizeof(T);
      m_put = to + bytes;
      std::memcpy(to, p, bytes);
      return count;
    }
    return _WRITE_ELEMENTS(p, count, sizeof(T));
  }
  template <typename T>
  std::uint64_t _READ_INLINE(T* p, size_t count) {
    const unsigned char* const from = m_get;
    if (__builtin_expect(
            p != nullptr && count != 0 &&
                count <= static_cast<std::uint64_t>(m_get_end - from) / sizeof(T),
            1)) {
      const std::uint64_t bytes = static_cast<std::uint64_t>(count) * sizeof(T);
      m_get = const_cast<unsigned char*>(from) + bytes;
      std::memcpy(p, from, bytes);
      return count;
    }
    return _READ_ELEMENTS(p, count, sizeof(T));
  }
  // Types wider in memory than in the file (long, unsigned long, long double) pass through a copy
  // of the file's type: one element that fits goes inline, the rest out of line. With `kExact` a
  // value the file's type cannot hold refuses the whole array before anything is written.
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
          m_result = ERROR_INVALID_PARAMETER;
          return 0;
        }
      }
    }
    Narrow chunk[512];
    std::uint64_t done = 0;
    while (done < count) {
      const size_t n = count - done < 512 ? count - done : 512;
      for (size_t i = 0; i < n; ++i) chunk[i] = static_cast<Narrow>(p[done + i]);
      const std::uint64_t written = _WRITE_ELEMENTS(chunk, n, sizeof(Narrow));
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
      const std::uint64_t read = _READ_ELEMENTS(chunk, n, sizeof(Narrow));
      for (std::uint64_t i = 0; i < read; ++i) p[done + i] = static_cast<Wide>(chunk[i]);
      done += read;
      if (read < n) break;
    }
    return done;
  }
  TextUnit _UNIT16_IN_FILE_ORDER() const;
  void _SET_STATE(int state) { m_state = state; }
  void _RESET_FIELDS();

  // The inline paths move m_get (read state) or m_put (write state) through the buffer instead
  // of m_buffer_position. They are open only in binary mode while the file converts nothing:
  // m_get..m_get_end is the read-ahead from the position, m_put..m_put_end the room of the pending
  // block. _SYNC folds the pointer back into m_buffer_position and closes the paths; _ARM opens
  // them from the fields and the state. Every operation that reads or changes the buffer fields
  // holds a _SyncGuard; guards nest, and only the outermost one syncs and re-arms.
  void _SYNC();
  void _ARM();
  struct _SyncGuard {
    explicit _SyncGuard(MFileEx* file) : file_(file) {
      if (file_->m_sync_depth++ == 0) file_->_SYNC();
    }
    ~_SyncGuard() {
      if (--file_->m_sync_depth == 0) file_->_ARM();
    }
    _SyncGuard(const _SyncGuard&) = delete;
    _SyncGuard& operator=(const _SyncGuard&) = delete;
    MFileEx* file_;
  };

  HANDLE m_handle = nullptr;
  std::wstring m_file_name;
  // The position (TELL) is m_buffer_offset + m_buffer_position: the file offset of the buffer's
  // first byte (of the read-ahead, or of the pending bytes) plus the place in the buffer.
  std::uint64_t m_buffer_offset = 0;
  unsigned char* m_buffer = nullptr;
  std::uint64_t m_buffer_position = 0;
  std::uint64_t m_buffer_fill = 0;
  std::uint64_t m_buffer_size = 0;
  int m_mode = 0;
  int m_state = 0;
  DWORD m_result = 0;
  unsigned char m_controlled = 0;
  // Set when a write of this open lost bytes; keeps the result code and is what CLOSE reports.
  bool m_write_lost = false;
  // The inline element paths (see _SYNC); null when closed.
  unsigned char* m_get = nullptr;
  unsigned char* m_get_end = nullptr;
  unsigned char* m_put = nullptr;
  unsigned char* m_put_end = nullptr;
  // Nesting depth of _SyncGuard.
  int m_sync_depth = 0;

  static IZorFileAccess* mp_file_access_reporter;
};
