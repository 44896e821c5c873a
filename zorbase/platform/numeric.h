// Runtime-library numeric conversions with Windows semantics (32-bit long), independent of the
// process locale (the decimal point is always '.').
#pragma once

#include <cstdarg>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// Leading white space (space, \t \n \v \f \r) skipped, an optional sign, ASCII digits up to the
// first character that does not fit; text with no number (or a null pointer) gives 0. _wtoi/_wtol
// give a 32-bit result: on overflow they return INT_MAX/INT_MIN (LONG_MAX/LONG_MIN) and set errno
// to ERANGE, as the Windows runtime does; _wtoi64 does the same with 64 bits.
ZORBASE_API int _wtoi(const wchar_t* text);
ZORBASE_API LONG _wtol(const wchar_t* text);
ZORBASE_API __int64 _wtoi64(const wchar_t* text);

// The longest prefix (after white space) that reads as a number: decimal with optional fraction
// and exponent, hexadecimal ("0x1.8p3"), "inf"/"infinity" or "nan" (case-insensitive). No number
// gives 0.0; overflow gives ±HUGE_VAL with errno ERANGE.
ZORBASE_API double _wtof(const wchar_t* text);

#endif  // _WIN32

namespace zb {
namespace platform {

// Wide scanf with the Windows runtime's widths: %hhd 8-bit, %hd/%hu 16-bit, %d/%u/%x/%o/%ld/%lu/%lx
// and %I32d 32-bit, %I64d/%lld/%Id/%zd 64-bit; %f/%e/%g float, %lf double, %Lf long double;
// %s/%c/%[...] wide, %S/%C (and %hs/%hc) narrow, converted through the ANSI code page; %n, %p,
// %% and * (assignment suppression) work. Integers that overflow their width wrap around. Returns
// the number of fields stored, or -1 (EOF) when the input ends before the first conversion or
// `text` or `format` is null.
ZORBASE_API int ScanW(const wchar_t* text, const wchar_t* format, ...);
ZORBASE_API int VScanW(const wchar_t* text, const wchar_t* format, va_list args);

}  // namespace platform
}  // namespace zb
