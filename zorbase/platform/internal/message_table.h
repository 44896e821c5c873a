// Message-table resources (RT_MESSAGETABLE): the lookup FormatMessageW makes for
// FORMAT_MESSAGE_FROM_HMODULE. Portable; the table is untrusted bytes.
#pragma once

#include <string>

#include <zorbase/platform/internal/byte_span.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace res {

// Message `id` of one table: a count of blocks, each (low id, high id, offset of its entries),
// the entries (16-bit length including this 4-byte header, 16-bit flags with 1 for UTF-16 and 0
// for the ANSI code page, the text). The text ends at its first NUL. False when the table does
// not hold the id or its entries leave the table.
bool FindMessageInTable(ByteSpan table, DWORD id, std::wstring* text);

// Message `id` in the module's table (RT_MESSAGETABLE, name 1): `language` 0 takes the neutral
// language, else US English, else the first table; another value that language (or its primary
// language, or neutral). False with ERROR_MR_MID_NOT_FOUND when the message is missing,
// ERROR_RESOURCE_*_NOT_FOUND or ERROR_MOD_NOT_FOUND when the module or table is. Inserts (%1, ...)
// are left for the caller to fill; the trailing line break is kept as stored.
bool FindModuleMessage(HMODULE module, DWORD id, DWORD language, std::wstring* text);

}  // namespace res
}  // namespace platform
}  // namespace zb
