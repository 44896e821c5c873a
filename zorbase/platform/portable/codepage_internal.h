// Internal pieces of the code page conversions: the resolved code pages and the one-character
// decode and encode steps that WideCharToMultiByte, MultiByteToWideChar and the formatter share.
// Nothing here is exported.
#pragma once

#include <atomic>

#include <cstddef>
#include <cstdint>
#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace internal {

// A single-byte table: the characters of the bytes 0x80 to 0xFF (0x00 to 0x7F are ASCII).
struct SingleByteTable {
  UINT id;
  const char16_t* high;
};
extern const SingleByteTable kSingleByteTables[];
extern const std::size_t kSingleByteTableCount;

// One entry of a page's reverse table: a character above U+007F and its byte.
struct ReverseEntry {
  char16_t character;
  unsigned char byte;
};

constexpr char32_t kReplacementChar = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

// A code page the platform can convert. Objects live for the whole process.
struct CodePage {
  enum Kind { kUtf8, kSingleByte, kAscii };
  UINT id;
  Kind kind;
  const char16_t* high;         // kSingleByte: characters of bytes 0x80..0xFF
  const ReverseEntry* reverse;  // kSingleByte: sorted by character
  std::size_t reverse_count;
};

// Resolves a code page number, CP_ACP, CP_OEMCP and CP_THREAD_ACP included; null when the platform
// has no table for it. Thread-safe.
const CodePage* FindCodePage(UINT code_page);

// Makes the next GetACP read ZORBASE_ACP again (tests change the variable).
void ResetAnsiCodePageForTesting();

// The ANSI code page GetACP reports, 0 until it is first asked; and the page ZORBASE_ACP names
// (1252 when it names none or one without a table).
extern std::atomic<UINT> g_ansi_code_page;
UINT ReadAnsiCodePage();

// The byte of a single-byte page for a character above U+007F; -1 when the page has none.
int ReverseLookup(const CodePage& page, char32_t c);

inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Decodes the UTF-8 character at s (n >= 1 bytes available). Returns the bytes consumed (>= 1) and
// stores the character; an ill-formed sequence consumes its maximal valid prefix (at least one
// byte), stores U+FFFD and clears *valid. With `surrogates`, the three-byte form of a surrogate
// (which EncodeCodePointUtf8 writes) is accepted too.
inline std::size_t DecodeUtf8(const unsigned char* s, std::size_t n, char32_t* out, bool* valid,
                              bool surrogates = false) {
  unsigned char b0 = s[0];
  if (b0 < 0x80) {
    *out = b0;
    return 1;
  }
  std::size_t need;
  char32_t c;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    c = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED && !surrogates) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    c = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    *out = kReplacementChar;
    *valid = false;
    return 1;
  }
  std::size_t i = 1;
  for (; i <= need; ++i) {
    if (i >= n) break;
    unsigned char b = s[i];
    if (i == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) break;
    c = (c << 6) | (b & 0x3F);
  }
  if (i <= need) {
    *out = kReplacementChar;
    *valid = false;
    return i;
  }
  *out = c;
  return need + 1;
}

// Encodes any code point up to U+10FFFF in the UTF-8 scheme into out (room for 4 bytes), a
// surrogate too (in the three-byte form that well-formed UTF-8 leaves out, as names that keep
// lone UTF-16 units need); 0 beyond U+10FFFF.
inline std::size_t EncodeCodePointUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c > kMaxCodePoint) return 0;
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Encodes a character as UTF-8 into out (room for 4 bytes); 0 for a surrogate or a value beyond
// U+10FFFF.
inline std::size_t EncodeUtf8(char32_t c, char* out) {
  return IsSurrogate(c) ? 0 : EncodeCodePointUtf8(c, out);
}

// The character at text[*i] of wide text that may hold UTF-16 units: a surrogate pair in two
// wchar_t is one character. Moves *i past what it read.
inline char32_t NextWideChar(const std::wstring& text, std::size_t* i) {
  char32_t c = static_cast<char32_t>(text[(*i)++]);
  if (c >= 0xD800 && c <= 0xDBFF && *i < text.size()) {
    const char32_t low = static_cast<char32_t>(text[*i]);
    if (low >= 0xDC00 && low <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++*i;
    }
  }
  return c;
}

// Decodes one character of `page` at s (n >= 1 bytes). Returns the bytes consumed; an undefined
// byte or ill-formed sequence stores U+FFFD and clears *valid.
inline std::size_t DecodeChar(const CodePage& page, const unsigned char* s, std::size_t n,
                              char32_t* out, bool* valid) {
  unsigned char b = s[0];
  if (b < 0x80) {
    *out = b;
    return 1;
  }
  switch (page.kind) {
    case CodePage::kSingleByte:
      *out = page.high[b - 0x80];
      return 1;
    case CodePage::kUtf8:
      return DecodeUtf8(s, n, out, valid);
    case CodePage::kAscii:
      break;
  }
  *out = kReplacementChar;
  *valid = false;
  return 1;
}

// Encodes one character in `page` into out (room for 4 bytes). Returns the bytes written, 0 when
// the page cannot represent the character.
inline std::size_t EncodeChar(const CodePage& page, char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  switch (page.kind) {
    case CodePage::kUtf8:
      return EncodeUtf8(c, out);
    case CodePage::kSingleByte: {
      int b = ReverseLookup(page, c);
      if (b < 0) return 0;
      out[0] = static_cast<char>(b);
      return 1;
    }
    case CodePage::kAscii:
      break;
  }
  return 0;
}

// EncodeChar with the replacement for what the page lacks: '?' in a single-byte page, the bytes of
// U+FFFD in UTF-8. Always writes at least one byte.
inline std::size_t EncodeOrReplace(const CodePage& page, char32_t c, char* out) {
  std::size_t n = EncodeChar(page, c, out);
  if (n != 0) return n;
  if (page.kind == CodePage::kUtf8) return EncodeUtf8(kReplacementChar, out);
  out[0] = '?';
  return 1;
}

// Reads one character of wide text at s (n >= 1 units): a high surrogate followed by a low one
// combine into one character. Returns the units consumed (1 or 2).
inline std::size_t ReadWideChar(const wchar_t* s, std::size_t n, char32_t* out) {
  char32_t c = static_cast<char32_t>(static_cast<std::uint32_t>(s[0]));
  if (c >= 0xD800 && c <= 0xDBFF && n > 1) {
    char32_t d = static_cast<char32_t>(static_cast<std::uint32_t>(s[1]));
    if (d >= 0xDC00 && d <= 0xDFFF) {
      *out = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
      return 2;
    }
  }
  *out = c;
  return 1;
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
