// ASCII-only case folding of wide characters, as the narrow runtime's tolower/toupper do in the "C"
// locale: only A-Z and a-z change; every other code unit, letters beyond ASCII included, stays.
#pragma once

namespace zb {
namespace internal {

// `c` with A-Z mapped to a-z; any other value unchanged.
inline constexpr wchar_t AsciiToLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// `c` with a-z mapped to A-Z; any other value unchanged.
inline constexpr wchar_t AsciiToUpper(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
}

}  // namespace internal
}  // namespace zb
