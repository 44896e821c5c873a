// Reading and writing the registry values of the log settings (strings as UTF-16LE with their
// terminator, numbers as REG_DWORD), over the platform's registry calls.
#pragma once

#include <string>

#include <zorbase/platform/registry.h>

namespace zb {
namespace logging_internal {

// Writes a REG_SZ value (the text and its terminator). True on success.
bool WriteRegString(HKEY key, const wchar_t* name, const std::wstring& text);
// Writes a REG_DWORD value. True on success.
bool WriteRegDword(HKEY key, const wchar_t* name, DWORD value);

// Reads a string value (REG_SZ or REG_EXPAND_SZ) of at most `max_bytes` bytes: `text` gets it up
// to its first zero, `byte_count` (if given) the bytes stored. False when the value is missing,
// longer, or of another type; nothing is changed then.
bool ReadRegString(HKEY key, const wchar_t* name, DWORD max_bytes, std::wstring* text,
                   DWORD* byte_count = nullptr);
// Reads a REG_DWORD value. False when missing or of another type or size.
bool ReadRegDword(HKEY key, const wchar_t* name, DWORD* value);

}  // namespace logging_internal
}  // namespace zb
