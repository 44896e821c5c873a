// Code pages and wide/narrow conversion with their Windows contracts, and the UTF-16LE helpers for
// every wide text that leaves the process (files, registry data, clipboard).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;

// The process's ANSI code page: 1252 unless ZORBASE_ACP names another.
ZORBASE_API UINT GetACP();

// Windows contracts: a length of -1 means "up to and including the terminator"; an output size of
// 0 asks for the size needed; the result is the number of units written (or needed), 0 on failure
// with the last error set (ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER,
// ERROR_NO_UNICODE_TRANSLATION). `default_char` and `used_default` work as on Windows for the
// single-byte code pages and must be null for CP_UTF8.
ZORBASE_API int WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* wide, int wide_length,
                                    char* multi, int multi_size, const char* default_char,
                                    BOOL* used_default);
ZORBASE_API int MultiByteToWideChar(UINT code_page, DWORD flags, const char* multi, int multi_length,
                                    wchar_t* wide, int wide_size);

namespace zb {
namespace platform {

// Convenience forms over the two calls above (code page 0 is the ANSI code page).
ZORBASE_API std::string WideToMulti(const std::wstring& wide, UINT code_page = CP_ACP);
ZORBASE_API std::wstring MultiToWide(const std::string& multi, UINT code_page = CP_ACP);
ZORBASE_API std::string WideToUtf8(const std::wstring& wide);
ZORBASE_API std::wstring Utf8ToWide(const std::string& utf8);

// UTF-16LE: each wchar_t in the Basic Multilingual Plane is one 2-byte unit; a character beyond
// U+FFFF becomes a surrogate pair on the way out, and a pair becomes one wchar_t on the way back
// (a lone surrogate stays a single unit both ways).
ZORBASE_API std::size_t Utf16UnitCount(const wchar_t* text, std::size_t length);
ZORBASE_API std::string WideToUtf16Le(const wchar_t* text, std::size_t length);
ZORBASE_API std::wstring Utf16LeToWide(const void* bytes, std::size_t byte_count);

}  // namespace platform
}  // namespace zb
