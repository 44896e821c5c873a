// Marks: small named values kept with a file itself. A mark travels with the file through renames
// and is gone with it; a copy made by a program that does not know it usually drops it. The
// library uses marks to recognise its own files again (the backup of a rewrite, for instance),
// where a name alone could belong to a file of another program.
//
// Platform notes: marks are the extended attributes "user.zorbase.<key>"; where the file system
// keeps no extended attributes the calls fail with ERROR_NOT_SUPPORTED. A symbolic link is
// followed. Keys are short ASCII words.
#pragma once

#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// Stores `value` as the mark `key` of the file `name`, replacing an earlier one. FALSE with the
// last error set on failure (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_NOT_SUPPORTED, ...).
ZORBASE_API BOOL SetFileMarkW(LPCWSTR name, const char* key, const std::string& value);

// Reads the mark `key` of the file `name` into `*value`. FALSE with ERROR_NOT_FOUND when the file
// has no such mark, ERROR_NOT_SUPPORTED when its file system keeps none, or the error of the file.
ZORBASE_API BOOL GetFileMarkW(LPCWSTR name, const char* key, std::string* value);

// Removes the mark `key` of the file `name`. TRUE also when there was none (or the file system
// keeps none); FALSE with the last error when the file is missing or the mark cannot be removed.
ZORBASE_API BOOL RemoveFileMarkW(LPCWSTR name, const char* key);

}  // namespace platform
}  // namespace zb
