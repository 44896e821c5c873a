// Test helper: wide texts shown readably in UnitTest++ failure messages. CHECK_WIDE(expected,
// actual) compares two wide texts (null reads as "(null)") and prints both on a mismatch.
#pragma once

#include <cstdio>
#include <string>

#include <UnitTest++/UnitTest++.h>

namespace zb {
namespace internal {

// ASCII characters as they are, every other code unit as \uXXXX; null as "(null)".
inline std::string PrintableWide(const wchar_t* text) {
  if (!text) return "(null)";
  std::string out;
  for (; *text; ++text) {
    unsigned long c = static_cast<unsigned long>(*text);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[24];
      std::snprintf(escaped, sizeof escaped, "\\u%04lX", c);
      out += escaped;
    }
  }
  return out;
}

inline std::string PrintableWide(const std::wstring& text) { return PrintableWide(text.c_str()); }

}  // namespace internal
}  // namespace zb

#define CHECK_WIDE(expected, actual) \
  CHECK_EQUAL(::zb::internal::PrintableWide(expected), ::zb::internal::PrintableWide(actual))
