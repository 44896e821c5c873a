// Registry names and strings as SQLite text (registry_store.h): UTF-8 that also carries the code
// units UTF-8 has no place for, so every name Windows accepts comes back unchanged.
#include <zorbase/platform/portable/registry_store.h>

#include <cstdint>

namespace zb {
namespace platform {
namespace reg {

// A name is a sequence of UTF-16 units, as on Windows. A surrogate pair (held in one wchar_t or
// two) is one character and is written as standard UTF-8; a lone surrogate, which Windows keeps
// in a name like any other unit, is written in the same three-byte form as other units of the
// Basic Multilingual Plane. A wchar_t beyond U+10FFFF is no character and is written as U+FFFD.
std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// The reverse of ToUtf8. A byte that starts no well-formed sequence comes back as U+DC00 plus
// the byte, as hives written by earlier versions stored such units.
std::wstring FromUtf8(const unsigned char* text, int bytes) {
  std::wstring out;
  if (text == nullptr || bytes <= 0) return out;
  const std::size_t n = static_cast<std::size_t>(bytes);
  out.reserve(n);
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    const int extra = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2
                    : (c >= 0xF0 && c <= 0xF4) ? 3 : -1;
    std::uint32_t cp = 0;
    bool ok = extra > 0 && i + static_cast<std::size_t>(extra) < n;
    if (ok) {
      cp = c & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        const unsigned char next = text[i + static_cast<std::size_t>(k)];
        if ((next & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (next & 0x3F);
      }
    }
    // Overlong forms and values beyond U+10FFFF are refused; surrogates are units of a name.
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))) {
      ok = false;
    }
    if (!ok) {
      out += static_cast<wchar_t>(0xDC00 + c);
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
