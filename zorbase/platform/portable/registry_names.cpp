// Registry names and strings as SQLite text (registry_store.h): UTF-8 that also carries the code
// units UTF-8 has no place for, so every name Windows accepts comes back unchanged.
#include <zorbase/platform/portable/registry_store.h>

#include "zorbase/platform/portable/codepage_internal.h"

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
  for (std::size_t i = 0; i < text.size();) {
    char bytes[4];
    std::size_t n = internal::EncodeCodePointUtf8(internal::NextWideChar(text, &i), bytes);
    if (n == 0) n = internal::EncodeCodePointUtf8(internal::kReplacementChar, bytes);
    out.append(bytes, n);
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
  for (std::size_t i = 0; i < n;) {
    char32_t c = 0;
    bool valid = true;
    const std::size_t used = internal::DecodeUtf8(text + i, n - i, &c, &valid, true);
    if (!valid) {
      out += static_cast<wchar_t>(0xDC00 + text[i]);
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += used;
  }
  return out;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
