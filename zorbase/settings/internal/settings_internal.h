// Internal helpers of the settings classes: registry path joining, the product name taken from a
// module path, the registry's decimal number parsing, and the library's settings defaults.
#pragma once

#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace settings_internal {

// Both parts lose all leading and trailing backslashes; the result is the first part, then (if the
// second is not empty) a backslash when the first is not empty, and the second.
CString JoinRegPath(const wchar_t* first, const wchar_t* second);

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
