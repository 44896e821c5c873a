// Internal pieces that the printf formatter and the scanf scanner share: the size modifiers of a
// conversion with the Windows runtime's widths, and the "C" locale that keeps numbers independent
// of the process locale. Nothing here is exported.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zb {
namespace platform {
namespace internal {

// Makes the calling thread render numbers in the "C" locale (decimal point '.') while it lives,
// whatever locale the host has set. Each backend implements it (c_locale.cpp).
class CLocaleScope {
 public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  void* previous_;
};

// The readers behind the runtime's numeric conversions and the scanner: white space skipped; a
// decimal integer saturated at [min_value, max_value] (errno ERANGE on overflow, 0 for null text);
// the longest floating-point prefix of at most max_chars characters (*consumed 0 for none).
const wchar_t* SkipSpace(const wchar_t* p);
std::int64_t ParseSaturating(const wchar_t* text, std::int64_t min_value, std::int64_t max_value);
double ParseFloat(const wchar_t* text, std::size_t max_chars, std::size_t* consumed,
                  long double* long_value);

// strtod and strtold in the "C" locale.
double StringToDoubleC(const char* text, char** end);
long double StringToLongDoubleC(const char* text, char** end);

// kDefault: int-sized (also %ld and %I32d: Windows long is 32-bit); kChar: hh; kShort: h;
// kLongLong: ll, I64, I (pointer-sized), j, z, t; kLongDouble: L; kLong: l; kWide: w.
enum class SizeModifier { kDefault, kChar, kShort, kLong, kLongLong, kLongDouble, kWide };

// Reads the size modifier at `p` (if any) into *size and returns the position after it.
template <typename CharT>
const CharT* ParseSizeModifier(const CharT* p, SizeModifier* size) {
  *size = SizeModifier::kDefault;
  switch (*p) {
    case CharT('h'):
      if (p[1] == CharT('h')) {
        *size = SizeModifier::kChar;
        return p + 2;
      }
      *size = SizeModifier::kShort;
      return p + 1;
    case CharT('l'):
      if (p[1] == CharT('l')) {
        *size = SizeModifier::kLongLong;
        return p + 2;
      }
      *size = SizeModifier::kLong;
      return p + 1;
    case CharT('L'):
      *size = SizeModifier::kLongDouble;
      return p + 1;
    case CharT('w'):
      *size = SizeModifier::kWide;
      return p + 1;
    case CharT('j'):
    case CharT('z'):
    case CharT('t'):
      *size = SizeModifier::kLongLong;
      return p + 1;
    case CharT('I'):
      if (p[1] == CharT('6') && p[2] == CharT('4')) {
        *size = SizeModifier::kLongLong;
        return p + 3;
      }
      if (p[1] == CharT('3') && p[2] == CharT('2')) return p + 3;
      *size = SizeModifier::kLongLong;  // pointer-sized
      return p + 1;
    default:
      return p;
  }
}

}  // namespace internal
}  // namespace platform
}  // namespace zb
