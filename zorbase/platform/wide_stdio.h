// Wide text on runtime streams as the Windows runtime writes it in text mode: each wide character
// goes to the file as the process's ANSI code page encodes it (GetACP), and the stream's text mode
// (streams from _wfopen without "b") turns LF into CR LF on the way out and CR LF into LF on the way
// in. The C library's fgetws/fputws are not used: they follow the process locale and give up on any
// character beyond ASCII in the "C" locale, where the Windows runtime writes the code page's byte.
// Characters the code page lacks are written as '?' (the runtime's default character).
#pragma once

#include <cstdio>

#include <zorbase/platform/export.h>

namespace zb {
namespace platform {

// fputws: writes `text` (without its terminator). A non-negative value on success, WEOF (-1) on a
// write error or a null argument.
ZORBASE_API int PutWideText(const wchar_t* text, FILE* stream);

// fputwc: writes one character; the character, or WEOF on an error.
ZORBASE_API int PutWideChar(wchar_t c, FILE* stream);

// fgetws: reads characters into `buffer` until a line feed (which is stored), the end of the file
// or count - 1 characters, and terminates the text. `buffer`, or null when nothing could be read
// (end of file or a read error) or an argument is bad (count <= 0). A character of a multi-byte code
// page is never split between two calls.
ZORBASE_API wchar_t* GetWideLine(wchar_t* buffer, int count, FILE* stream);

}  // namespace platform
}  // namespace zb
