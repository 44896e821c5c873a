// MString: the library's wide-character string. A NUL-terminated buffer of wchar_t code units with
// its length and capacity kept beside it, and an allocation mode:
//   mode 1 (the default, "exact fit"): every change that needs a buffer allocates one of exactly the
//          characters needed plus the terminator; SIZE() is then LEN() + 1;
//   any other non-zero mode ("reuse"): the buffer is kept whenever it is large enough and grown to
//          exactly the size needed only when it is not.
// Mode 0 is never stored; every operation taking a mode ignores 0. The mode belongs to the object
// and is never copied (a copy starts in mode 1).
//
// A default-constructed string (and one after FREE) has a null buffer, length 0 and capacity 0;
// every other constructor allocates, an empty text getting a one-character buffer. C_STR never
// returns null: a shared empty text stands in for the null buffer wherever text is read.
//
// Characters are 16-bit code units held in wchar_t (a character beyond U+FFFF is one wchar_t on
// this platform); nothing knows about surrogate pairs. Case folding is ASCII-only: A-Z and a-z.
// Searches answer 65535 (NPOS) for no match, although the index type is 64-bit.
//
// Failure: no operation throws on bad input; an allocation failure throws std::bad_alloc and leaves
// the string as it was before the operation. An MString is not shared between threads without
// outside locking.
#pragma once

#include <cstdarg>
#include <cstdint>

#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class MFile;

class ZORBASE_API MString {
 public:
  // The index that searches return for no match.
  static constexpr std::uint64_t NPOS = 65535;

  // Null buffer, length 0, capacity 0, mode 1.
  MString();

  // Mode 1; a copy of `text` (null counts as empty) in a buffer of exactly length + 1.
  MString(const wchar_t* text);

  // Mode 1; a copy of the platform string's GetLength() characters (embedded NULs included).
  MString(const CString& text);

  // Mode 1; a copy of the source's length characters. A source with a null buffer gives an empty
  // string with a one-character buffer.
  MString(const MString& other);

  // Frees the buffer.
  ~MString();

  // Replaces the text by the copy rule (see _ALLOC_AND_COPY). Assigning the string's own buffer
  // does nothing; `text` may point elsewhere into the buffer. Null: in mode 1 the buffer is freed,
  // in a reuse mode an existing buffer is kept and emptied.
  MString& operator=(const wchar_t* text);

  // As above with the other's buffer and length; self-assignment does nothing. The mode is kept.
  MString& operator=(const MString& other);

  // The copy rule with the platform string's GetLength() characters.
  MString& operator=(const CString& text);

  // Frees the buffer: null buffer, length 0, capacity 0; the mode is kept.
  void FREE();

  // ---- access ----------------------------------------------------------------------------------

  // Characters before the terminator.
  std::uint64_t LEN() const;

  // Capacity of the buffer in characters, terminator included (0 for a null buffer).
  std::uint64_t SIZE() const;

  // The text; the shared empty text when the buffer is null. Valid until the next change.
  const wchar_t* C_STR() const;

  // The character at `index`, by value; no bounds check (index <= LEN() is readable).
  wchar_t operator[](std::uint64_t index) const;

  // The allocation mode; SET_MODE(0) is ignored.
  std::uint32_t GET_MODE() const;
  void SET_MODE(std::uint32_t mode);

  // ---- numeric conversions of C_STR(), with the Windows runtime's rules ------------------------
  // INT/LONG/DOUBLE skip leading white space, stop at the first character that does not fit and
  // give 0 for text without a number. SHORT, USHORT and ULONG scan "%hd", "%hu" and "%lu" (32-bit)
  // and give 0 when no number is read.

  int INT() const;
  std::int32_t LONG() const;
  double DOUBLE() const;
  float FLOAT() const;
  short SHORT() const;
  unsigned short USHORT() const;
  std::uint32_t ULONG() const;

  // ---- ordinal comparison ----------------------------------------------------------------------
  // Both sides are read as NUL-terminated text (a null buffer or pointer reads as empty) and
  // compared code unit by code unit as unsigned values, like wcscmp; the stored length plays no part.

  bool operator==(const MString& other) const;
  bool operator!=(const MString& other) const;
  bool operator<(const MString& other) const;
  bool operator>(const MString& other) const;
  bool operator<=(const MString& other) const;
  bool operator>=(const MString& other) const;
  bool operator==(const wchar_t* text) const;
  bool operator!=(const wchar_t* text) const;
  bool operator<(const wchar_t* text) const;
  bool operator>(const wchar_t* text) const;
  bool operator<=(const wchar_t* text) const;
  bool operator>=(const wchar_t* text) const;

  // ---- concatenation ---------------------------------------------------------------------------
  // Append rule: needed = length + appended + 1. In a reuse mode with capacity >= needed the text is
  // written in place; otherwise a buffer of exactly `needed` replaces the old one (so in mode 1
  // every append allocates). The appended text may be part of this string.

  // Appends one character.
  MString& operator+=(wchar_t c);

  // Appends `text`; null changes nothing.
  MString& operator+=(const wchar_t* text);

  // Appends the other's length characters; a null buffer changes nothing.
  MString& operator+=(const MString& other);

  // ---- search ----------------------------------------------------------------------------------

  // Index of the first / last `c` among the LEN() characters; NPOS when absent or the buffer is null.
  std::uint64_t FIND(wchar_t c) const;
  std::uint64_t RFIND(wchar_t c) const;

  // Index of the leftmost occurrence of the first `count` characters of `pattern` (count 65535: the
  // whole pattern; the pattern's terminator also ends it), found with a Knuth-Morris-Pratt scan;
  // case_sensitive false folds A-Z on both sides. NPOS for no match, a null or empty pattern, a
  // count of 0, a count longer than the string, or a null buffer.
  std::uint64_t FIND(const wchar_t* pattern, std::uint32_t count, bool case_sensitive) const;

  // ---- editing ---------------------------------------------------------------------------------

  // Replaces the first occurrence of `find` by `with` (null `with`: removes it); an empty `find`
  // occurs at index 0. True when a replacement was made; false for a null buffer, a null `find`
  // or no occurrence. In a reuse mode with capacity > new length the edit is made in place,
  // otherwise a buffer of exactly new length + 1 is built. Only the first occurrence is replaced.
  bool REPLACE(const wchar_t* find, const wchar_t* with, bool case_sensitive);

  // Keeps the characters from index `first` to `last`, both inclusive (last clipped to LEN()-1).
  // last < first frees the buffer (the default state, mode kept). A null buffer is left alone; a
  // `first` at or beyond the end leaves an empty text. In a reuse mode with capacity > new length
  // the characters move within the buffer, otherwise an exact buffer is allocated.
  void CROP(std::uint64_t first, std::uint64_t last);

  // A new mode-1 copy with CROP(first, last) applied; this string is unchanged.
  MString SUBSTRING(std::uint64_t first, std::uint64_t last) const;

  // When the buffer is not null and n < LEN(): the text ends at n. The buffer is kept.
  void TRUNCATE(std::uint64_t n);

  // Change A-Z / a-z of the first LEN() characters in place; other characters stay.
  void TOLOWER();
  void TOUPPER();

  // Removes at the start and/or end every character for which is_noise returns non-zero. The
  // terminator is never passed to is_noise; is_noise receives each code unit's value and must accept
  // every value the text holds (the narrow <cctype> functions accept only EOF and 0-255). The buffer
  // is never reallocated. A null buffer or null is_noise: nothing.
  void TRIM_NOISE(bool leading, bool trailing, int (*is_noise)(int));

  // ---- formatting (the Windows runtime's wide printf rules: %s takes a wide string) -----------

  // Replaces the text by the formatted text. The length is measured first; in mode 1, or when the
  // capacity is too small, the buffer is replaced by one of exactly length + 1. Arguments may point
  // into this string. A null format (or a format the formatter rejects) empties the string: in
  // mode 1 the buffer is freed, in a reuse mode it is kept and emptied.
  void FORMAT(const wchar_t* format, ...);
  void VFORMAT(const wchar_t* format, va_list args);

  // Formats into a temporary mode-1 string and appends it with +=. A null format appends nothing.
  void APPEND(const wchar_t* format, ...);

  // ---- raw buffer access -----------------------------------------------------------------------

  // Sets the mode (unless 0) and makes sure the buffer holds size + 1 characters: in mode 1, or
  // when it is smaller, it is replaced by one of exactly size + 1 that keeps as much of the text
  // as fits. With `zero` the whole buffer is zero-filled. Returns the buffer for the caller to
  // write into; the length is not changed (except that it is cut to `size` when the text no
  // longer fits). End with RELEASE.
  wchar_t* RESERVE(std::uint32_t size, bool zero, std::uint32_t mode);

  // Ends a RESERVE: writes a terminator into the buffer's last slot, sets the length to the
  // position of the first terminator, sets the mode (unless 0), and in mode 1 shrinks the buffer
  // to exactly length + 1.
  void RELEASE(std::uint32_t mode);

  // ---- persistence and path shortening (MString_persistence.cpp) -------------------------------

  // One string record of a binary file: a 2-byte count of UTF-8 bytes in the file's byte order,
  // then the bytes. READ replaces the text only when the whole record was read and decoded (a
  // count of 0 gives an empty text in a one-character buffer); on failure the text is unchanged.
  // WRITE fails, writing nothing, for a string without buffer and for text whose UTF-8 form is
  // longer than 65,535 bytes; true when the whole record was written.
  bool READ(MFile& file);
  bool WRITE(MFile& file) const;

  // An INI value through the private-profile calls (at most 512 characters; the narrow overload
  // uses the A calls in the ANSI code page). LOAD is true when the value read is not empty; a
  // missing key leaves an empty text. SAVE is true when the platform call succeeded.
  bool LOAD_INI_STRING(const wchar_t* ini_file, const wchar_t* section, const wchar_t* key);
  bool LOAD_INI_STRING(const wchar_t* ini_file, const char* section, const char* key);
  bool SAVE_INI_STRING(const wchar_t* ini_file, const wchar_t* section, const wchar_t* key) const;
  bool SAVE_INI_STRING(const wchar_t* ini_file, const char* section, const char* key) const;

  // A registry string value of `subkey` below `root`. LOAD leaves the text unchanged on failure;
  // SAVE creates missing keys.
  bool LOAD_REG_STRING(HKEY root, const wchar_t* subkey, const wchar_t* value_name);
  bool SAVE_REG_STRING(HKEY root, const wchar_t* subkey, const wchar_t* value_name) const;

  // Sets the text to `path` shortened for display to at most `max_len` characters by replacing
  // middle directories with "\..." (C:\dir1\dir2\dir3\file.txt at 22: C:\...\dir3\file.txt).
  // A path that fits comes back unchanged; a null path changes nothing. Results are not limited
  // to a fixed buffer.
  void ABREVIATE_PATH(const wchar_t* path, std::uint32_t max_len, bool is_directory);
  // The same as head + "..." + tail, the tail from the last backslash (C:\dir1\dir2\file.txt at
  // 15: C:\...\file.txt); a file name too long to keep whole gives "..." and its last
  // max_len - 3 characters.
  void ABREVIATE_PATH_EX(const wchar_t* path, std::uint32_t max_len, bool unused);

  // Runs a short exercise of construction, SUBSTRING, +=, copying and case changes; returns true.
  static bool DO_TEST();

  // Loads string resource `id` of the process-wide resource module (CZorResource). The buffer is
  // first made at least 513 characters (replaced by one of exactly 513 in mode 1 or when
  // smaller); then the string, cut at 512 characters, and RELEASE(0). True when at least one
  // character was loaded; otherwise the string is empty.
  bool LOAD_STRING(unsigned int id);

 protected:
  // Makes sure the buffer holds n + 1 characters by the rule of RESERVE, without zeroing and
  // without keeping the text: afterwards the text is empty (length 0) in a buffer of capacity
  // >= n + 1, ready for the caller to fill and set m_length.
  void _ALLOC(std::uint64_t n);

  // The copy rule: the text becomes the first n characters of `text` (which may lie in this
  // buffer). In a reuse mode with capacity >= n + 1 they are copied into the buffer; otherwise a
  // buffer of exactly n + 1 replaces it.
  void _ALLOC_AND_COPY(const wchar_t* text, std::uint64_t n);

  // The default-constructed state (null buffer, length 0, capacity 0, mode 1). Does not free.
  void _INIT();

  // Appends n characters of `text` by the append rule.
  void _APPEND(const wchar_t* text, std::uint64_t n);

  // Replaces the buffer by `buffer` (capacity `capacity`, text length `length`), freeing the old.
  void _ADOPT(wchar_t* buffer, std::uint64_t length, std::uint64_t capacity);

  bool _IS_REUSE_MODE() const { return m_mode != 1; }

  wchar_t* m_text;          // the text, NUL-terminated; null when no buffer is owned
  std::uint64_t m_length;   // characters before the terminator
  std::uint64_t m_size;     // capacity in characters, terminator included
  std::uint32_t m_mode;     // 1 exact fit, other non-zero values reuse
};

// A standard wide string (up to its first NUL) as one string record; nothing for a null file.
ZORBASE_API void _WriteStringToMFile(const std::wstring& text, MFile* file);
// Replaces `text` with one string record read from `file`, or with an empty text when none can be
// read.
ZORBASE_API void _ReadStringFromMFile(std::wstring& text, MFile* file);

// New mode-1 strings: the left operand (null counts as empty; a character is a one-character text)
// with the right operand appended by the matching +=.
ZORBASE_API MString operator+(const MString& left, const MString& right);
ZORBASE_API MString operator+(const MString& left, const wchar_t* right);
ZORBASE_API MString operator+(const wchar_t* left, const MString& right);
ZORBASE_API MString operator+(const MString& left, wchar_t right);
ZORBASE_API MString operator+(wchar_t left, const MString& right);
