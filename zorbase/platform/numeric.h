// Runtime-library numeric conversions with Windows semantics (32-bit long).
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// Leading white space skipped, an optional sign, digits up to the first character that does not
// fit; text with no number gives 0. _wtoi/_wtol give a 32-bit result.
ZORBASE_API int _wtoi(const wchar_t* text);
ZORBASE_API LONG _wtol(const wchar_t* text);
ZORBASE_API double _wtof(const wchar_t* text);

namespace zb {
namespace platform {

// Wide scanf with the Windows runtime's widths: %hd/%hu 16-bit, %d/%u/%ld/%lu/%lx 32-bit,
// %I64d/%lld 64-bit, %f float, %lf double, %s/%c wide, %S/%C narrow. Returns the number of fields
// stored, or -1 (EOF) when the input ends before the first conversion.
ZORBASE_API int ScanW(const wchar_t* text, const wchar_t* format, ...);

}  // namespace platform
}  // namespace zb
