// FormatMessageW: the text of a system error code, formatted as Windows does. The system's texts
// are the Windows texts of the codes this library sets (each ends with "\r\n", as Windows' do);
// other codes that stand for an errno value get the C library's text of it; any other code fails
// with ERROR_MR_MID_NOT_FOUND (317).
#pragma once

#include <cstdarg>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

#define MAKELANGID(primary, sub) ((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary))
constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;

// Formats a message into `buffer` (`size` wide characters, terminator included) and returns the
// number of characters written without the terminator; 0 on failure with the last error set
// (ERROR_MR_MID_NOT_FOUND for an unknown code, ERROR_INSUFFICIENT_BUFFER when the text does not
// fit, ERROR_INVALID_PARAMETER for bad arguments). With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer`
// is really a wchar_t** that receives a LocalAlloc'd text of at least `size` characters, which the
// caller frees with LocalFree. Inserts (%1 to %99, optionally with a !printf-format!) take wide
// strings or the given format from `arguments` (a va_list*, or with FORMAT_MESSAGE_ARGUMENT_ARRAY
// an array of DWORD_PTR); %0 ends the text, %n, %r, %t, %%, %. and %! are escapes. The system's
// texts are English for every language identifier. FORMAT_MESSAGE_FROM_HMODULE reads the message
// table of module `source` (null: the executable) in `language_id` (0: neutral, then US English,
// then any), before the system's texts when FORMAT_MESSAGE_FROM_SYSTEM is given too.
ZORBASE_API DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id,
                                 LPWSTR buffer, DWORD size, va_list* arguments);

// Memory that FormatMessageW hands out; LocalFree returns null on success (and for null).
ZORBASE_API HANDLE LocalAlloc(UINT flags, SIZE_T bytes);
ZORBASE_API HANDLE LocalFree(HANDLE memory);
constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_ZEROINIT = 0x0040;

#endif  // _WIN32

namespace zb {
namespace platform {

// The system's text of `code` (with its "\r\n"), or false when the system has none.
bool SystemMessageText(DWORD code, std::wstring* text);

// The text of the Windows code from the table of codes the library sets, or null.
const wchar_t* WindowsErrorText(DWORD code);

// The C library's text of the errno value that maps to `code`, when there is one.
bool ErrnoMessageText(DWORD code, std::wstring* text);

}  // namespace platform
}  // namespace zb
