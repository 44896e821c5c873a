// ASCII character rules for narrow and wide text, as the C runtime applies them in the "C" locale:
// case folding changes only A-Z and a-z, classification knows only ASCII, and every other code
// unit (letters beyond ASCII included) is no letter, digit or space and stays as it is. The one
// copy of these rules for the whole library, so the process locale never decides.
#pragma once

namespace zb {
namespace internal {

// `c` with A-Z mapped to a-z; any other value unchanged.
template <typename CharT>
inline constexpr CharT AsciiToLower(CharT c) {
  return (c >= CharT('A') && c <= CharT('Z')) ? static_cast<CharT>(c + ('a' - 'A')) : c;
}

// `c` with a-z mapped to A-Z; any other value unchanged.
template <typename CharT>
inline constexpr CharT AsciiToUpper(CharT c) {
  return (c >= CharT('a') && c <= CharT('z')) ? static_cast<CharT>(c - ('a' - 'A')) : c;
}

// White space as isspace in the "C" locale: space, tab, line feed, vertical tab, form feed, CR.
template <typename CharT>
inline constexpr bool IsAsciiSpace(CharT c) {
  return c == CharT(' ') || (c >= CharT('\t') && c <= CharT('\r'));
}

template <typename CharT>
inline constexpr bool IsAsciiDigit(CharT c) {
  return c >= CharT('0') && c <= CharT('9');
}

template <typename CharT>
inline constexpr bool IsAsciiAlpha(CharT c) {
  return AsciiToLower(c) >= CharT('a') && AsciiToLower(c) <= CharT('z');
}

template <typename CharT>
inline constexpr bool IsAsciiAlnum(CharT c) {
  return IsAsciiDigit(c) || IsAsciiAlpha(c);
}

// The value of `c` as a digit of a base up to 36 (0-9, then a-z or A-Z as 10-35), or 36 when it
// is no digit at all: `AsciiDigitValue(c) < base` tests for a digit of `base`.
template <typename CharT>
inline constexpr int AsciiDigitValue(CharT c) {
  if (IsAsciiDigit(c)) return static_cast<int>(c - CharT('0'));
  if (IsAsciiAlpha(c)) return static_cast<int>(AsciiToLower(c) - CharT('a')) + 10;
  return 36;
}

}  // namespace internal
}  // namespace zb
