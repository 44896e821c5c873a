// Internal helpers of the settings classes: registry path joining, REG_SZ data in Windows form, the
// product name taken from a module path, the registry's decimal number parsing, and the library's
// settings defaults.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace settings_internal {

// Both parts lose all leading and trailing backslashes; the result is the first part, then (if the
// second is not empty) a backslash when the first is not empty, and the second.
CString JoinRegPath(const wchar_t* first, const wchar_t* second);

// REG_SZ data for `length` characters of `text` (null counts as empty): UTF-16LE with the
// terminator, as the registry calls take it.
std::vector<BYTE> RegSzData(const wchar_t* text, std::size_t length);

// The text of `size` bytes of string data: UTF-16LE up to the first terminator (data without one
// is taken whole, an odd last byte is ignored).
CString RegSzText(const BYTE* data, std::size_t size);

// The file name of `module_path` from after its last backslash (or slash) up to its last full
// stop, or to its end when it has none.
CString ProductNameFromModulePath(const wchar_t* module_path);

// wcstoul / wcstol with base 10 and Windows' 32-bit ranges: leading white space and a sign are
// accepted; false when no digit is read, the value is out of range or anything follows.
bool ParseRegULong(const wchar_t* text, DWORD* value);
bool ParseRegLong(const wchar_t* text, LONG* value);

// The library's load step: company "!TestCompany", product the executable's base name, no version.
void SetSettingsDefaults();

}  // namespace settings_internal
}  // namespace zb
