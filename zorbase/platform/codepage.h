// Code pages and wide/narrow conversion with their Windows contracts, and the UTF-16LE helpers for
// every wide text that leaves the process (files, registry data, clipboard).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_MACCP = 2;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF7 = 65000;
constexpr UINT CP_UTF8 = 65001;

// Flags of WideCharToMultiByte. The single-byte pages here have no best-fit mappings, so every
// character a page lacks becomes the default character whether or not WC_NO_BEST_FIT_CHARS is
// given; WC_ERR_INVALID_CHARS (CP_UTF8 only) fails on a lone surrogate instead of writing U+FFFD.
constexpr DWORD WC_DISCARDNS = 0x10;
constexpr DWORD WC_SEPCHARS = 0x20;
constexpr DWORD WC_DEFAULTCHAR = 0x40;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_COMPOSITECHECK = 0x200;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// Flags of MultiByteToWideChar. MB_ERR_INVALID_CHARS fails on an ill-formed or undefined byte
// sequence instead of writing U+FFFD; the others are accepted and change nothing here.
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_COMPOSITE = 0x2;
constexpr DWORD MB_USEGLYPHCHARS = 0x4;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;

// The process's ANSI code page: 1252 unless the environment variable ZORBASE_ACP names another
// (read once, at the first call). A page the platform has no table for falls back to 1252. Pages
// with tables: 1250, 1251, 1252, 1254, 437, 850, 852, 866, 28591 (ISO 8859-1), 20127 (US-ASCII)
// and 65001 (UTF-8).
ZORBASE_API UINT GetACP();

// The OEM code page that goes with the ANSI one: 852 for 1250, 866 for 1251, 437 otherwise.
ZORBASE_API UINT GetOEMCP();

// TRUE when the platform can convert `code_page` (CP_ACP and the like excluded).
ZORBASE_API BOOL IsValidCodePage(UINT code_page);

// Windows contracts: a length of -1 means "up to and including the terminator"; an output size of
// 0 asks for the size needed; the result is the number of units written (or needed), 0 on failure
// with the last error set (ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER,
// ERROR_NO_UNICODE_TRANSLATION). `default_char` and `used_default` work as on Windows for the
// single-byte code pages and must be null for CP_UTF8.
ZORBASE_API int WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* wide,
                                    int wide_length, char* multi, int multi_size,
                                    const char* default_char, BOOL* used_default);
ZORBASE_API int MultiByteToWideChar(UINT code_page, DWORD flags, const char* multi,
                                    int multi_length, wchar_t* wide, int wide_size);

#endif  // _WIN32

namespace zb {
namespace platform {

// Convenience forms over the two calls above (code page 0 is the ANSI code page). The whole string
// is converted, embedded NULs included; characters a single-byte page lacks become '?', ill-formed
// UTF-8 becomes U+FFFD. An unknown code page gives an empty result with the last error set.
ZORBASE_API std::string WideToMulti(const std::wstring& wide, UINT code_page = CP_ACP);
ZORBASE_API std::wstring MultiToWide(const std::string& multi, UINT code_page = CP_ACP);
ZORBASE_API std::string WideToUtf8(const std::wstring& wide);
ZORBASE_API std::wstring Utf8ToWide(const std::string& utf8);

// UTF-16LE: each wchar_t in the Basic Multilingual Plane is one 2-byte unit; a character beyond
// U+FFFF becomes a surrogate pair on the way out, and a pair becomes one wchar_t on the way back
// (a lone surrogate stays a single unit both ways). A wchar_t beyond U+10FFFF (or negative) is not
// a character and goes out as U+FFFD; an odd final byte comes back as U+FFFD. Null text counts as
// empty.
ZORBASE_API std::size_t Utf16UnitCount(const wchar_t* text, std::size_t length);
ZORBASE_API std::string WideToUtf16Le(const wchar_t* text, std::size_t length);
ZORBASE_API std::wstring Utf16LeToWide(const void* bytes, std::size_t byte_count);

}  // namespace platform
}  // namespace zb
