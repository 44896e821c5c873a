// The two string helpers of the sibling base library that this library calls.
#pragma once

#include <string>

#include <zorbase/platform/export.h>

// printf-style formatting of wide text with the Windows runtime's rules (%s takes a wide C string,
// %S a narrow one, %f a double, and so on). The result grows as needed; a format that cannot be
// formatted gives what the formatter produced up to the fault.
ZORBASE_API std::wstring FormatString(std::wstring format, ...);

// 8-bit text in the process's ANSI code page, widened.
ZORBASE_API std::wstring ConvertAnsiToUnicode(const std::string& text);
