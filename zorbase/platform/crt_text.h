// The Windows C runtime's multibyte conversion and the Windows wide sprintf, on the platform's
// code pages and formatter. Multibyte text here is in the process's ANSI code page (GetACP()),
// never the process locale.
#pragma once

#include <cstdarg>
#include <cstddef>

#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

#ifndef _TRUNCATE
#define _TRUNCATE (static_cast<std::size_t>(-1))
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

// Converts at most `count` bytes of `multi` (up to its terminator; _TRUNCATE: all of it) to wide
// text in `wide`, which holds `size` characters. `*converted` receives the characters written (or,
// with a null `wide`, needed), terminator included. Returns 0; EINVAL for a null `multi` or
// `converted`, or a null `wide` with a non-zero size; ERANGE when the text does not fit (wide
// becomes empty) unless `count` is _TRUNCATE, in which case as much as fits is written and
// STRUNCATE returned; EILSEQ for bytes the code page does not define (wide becomes empty).
ZORBASE_API errno_t mbstowcs_s(std::size_t* converted, wchar_t* wide, std::size_t size,
                               const char* multi, std::size_t count);

// Formats into `buffer`, which must hold 1,025 characters: at most 1,024 are written, then a
// terminator, as Windows' wvsprintfW does. Returns the characters written; -1 for a null buffer
// or format.
ZORBASE_API int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
#endif  // _WIN32

