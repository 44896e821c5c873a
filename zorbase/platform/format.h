// The Windows-runtime printf formatter. Every printf-style call of the library goes through it, so
// Windows format rules hold on Linux: in a wide format %s/%c take wide arguments and %S/%C narrow
// ones (the reverse in a narrow format), %hs/%ls/%hc/%lc are explicit, %I64d/%I64u/%I64x/%I32d and
// friends are understood, flags, width and precision (including *) and %% work. glibc's rule that
// %s means narrow never applies.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include <zorbase/platform/export.h>

namespace zb {
namespace platform {

// Counting pass: the number of characters (terminator not counted) that `format` produces with
// `args`; -1 for a null format or a result longer than INT_MAX. `args` is not consumed (every
// function here works on a copy). The counting pass allocates nothing.
ZORBASE_API int CountFormatW(const wchar_t* format, va_list args);
ZORBASE_API int CountFormatA(const char* format, va_list args);

// Bounded pass: writes at most capacity-1 characters and a terminator into `buffer` (nothing when
// capacity is 0) and returns the number of characters written; -1 for a null format.
ZORBASE_API int FormatW(wchar_t* buffer, std::size_t capacity, const wchar_t* format, va_list args);
ZORBASE_API int FormatA(char* buffer, std::size_t capacity, const char* format, va_list args);

// The whole formatted text; it grows as needed and never fails for length. A null format (or a
// result longer than INT_MAX, which only an absurd width or precision produces) gives an empty
// text.
ZORBASE_API std::wstring VFormatW(const wchar_t* format, va_list args);
ZORBASE_API std::string VFormatA(const char* format, va_list args);
ZORBASE_API std::wstring FormatTextW(const wchar_t* format, ...);
ZORBASE_API std::string FormatTextA(const char* format, ...);

// Appends the formatted text to `out` and returns the number of characters appended (-1 and `out`
// unchanged for a null format or a result longer than INT_MAX). Short results are formatted once,
// into a stack buffer; longer ones are measured and then written in place.
ZORBASE_API std::ptrdiff_t AppendFormatW(std::wstring& out, const wchar_t* format, va_list args);
ZORBASE_API std::ptrdiff_t AppendFormatA(std::string& out, const char* format, va_list args);

}  // namespace platform
}  // namespace zb
