// The private-profile calls: reading and writing INI files by section and key, as Windows does.
//
// Files: a file starting with the byte-order mark FF FE is UTF-16LE, any other is 8-bit text in
// the ANSI code page; a file the calls create is 8-bit, even from the W calls. Sections and keys
// are found without regard to case. A name without any path separator means a file in the
// Windows directory (C:\Windows); an empty name fails with ERROR_ACCESS_DENIED (5). Nothing is
// cached: every call reads the file afresh, so changes by other processes show at once.
//
// Writes keep every line they do not change byte for byte. Each write reads, edits and writes the
// file while holding a lock that other writers (threads and processes using these calls) wait
// for, so no write is lost; the new text goes to a temporary file in the same folder that then
// replaces the file in one step, so a crash leaves the old or the new file whole. Where the
// folder refuses new files but the file itself may be written, the file is rewritten in place
// under the lock.
//
// Buffers: counts are in characters (bytes for the A calls). A single value is cut to fit, with
// its terminator, and the count copied is returned (size - 1 when cut). A list (section names,
// keys, section lines) is NUL-separated with an extra NUL at the end; when it does not fit it is
// cut with two NULs at the end and size - 2 is returned.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// Copies the value of `key` in `section` (quotes around it removed), or `default_value` (null:
// empty; trailing blanks dropped) when missing. A null `section` lists the section names, a null
// `key` the keys of the section. Last error: 0 when found, 2 when the file, section or key is
// missing, 5 for an empty name or a file that cannot be read.
ZORBASE_API DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value,
                                           LPWSTR buffer, DWORD size, LPCWSTR file_name);
ZORBASE_API DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value,
                                           LPSTR buffer, DWORD size, LPCSTR file_name);

// Stores `value` under `key` in `section`, creating the file, section and key as needed. A null
// `value` deletes the key, a null `key` the whole section; writing either to a missing file
// creates it empty. All three null: nothing to flush, TRUE. FALSE with the last error set on
// failure (the file is then as it was).
ZORBASE_API BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value,
                                            LPCWSTR file_name);
ZORBASE_API BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value,
                                            LPCSTR file_name);

// The value as a decimal number (optional sign, digits up to the first other character; text
// without digits gives 0), or `default_value` when the key is missing.
ZORBASE_API UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value,
                                       LPCWSTR file_name);
ZORBASE_API UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT default_value,
                                       LPCSTR file_name);

// Every line of the section as "key=value" (comment lines as they stand), as a list.
ZORBASE_API DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size,
                                            LPCWSTR file_name);
ZORBASE_API DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size,
                                            LPCSTR file_name);

// Replaces the section's lines with the NUL-separated, double-NUL-terminated `lines` ("key=value"
// each); creates the section when missing. A null `lines` deletes the section.
ZORBASE_API BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file_name);
ZORBASE_API BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR lines, LPCSTR file_name);

// The names of all sections, as a list.
ZORBASE_API DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file_name);
ZORBASE_API DWORD GetPrivateProfileSectionNamesA(LPSTR buffer, DWORD size, LPCSTR file_name);
#endif  // _WIN32

