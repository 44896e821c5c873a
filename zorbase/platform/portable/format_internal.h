// Internal pieces that the printf formatter and the scanf scanner share: the size modifiers of a
// conversion with the Windows runtime's widths, and the "C" locale that keeps numbers independent
// of the process locale. Nothing here is exported.
#pragma once

#include <locale.h>

namespace zb {
namespace platform {
namespace internal {

// The "C" locale (decimal point '.'), created once; numbers are read and written in it whatever
// locale the host has set.
inline locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

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
