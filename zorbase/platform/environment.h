// The process environment as the Windows runtime and kernel give it: wide reads and writes by name,
// names compared without regard to case (the exact spelling is tried first). Values are kept in
// the native environment as UTF-8, so child processes and native code see them.
//
// The temporary directory: whenever TMP or TEMP changes through these calls, TMPDIR (which native
// code in the process reads) is set to the native path of the directory GetTempPathW then reports
// (TMP, else TEMP); when neither is set any more, TMPDIR gets back the value it had while neither
// was set. A TMP or TEMP value that names no mapped directory leaves TMPDIR as it was.
//
// The native environment is one per process and not guarded by the C library: change it from one
// thread at a time, as on Windows with the runtime's environment calls.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// The value of `name`, or null when it is not set. The text stays valid until that variable is
// changed through these calls (or the native environment is changed behind them).
ZORBASE_API wchar_t* _wgetenv(const wchar_t* name);

// "NAME=value" sets NAME; "NAME=" removes it (as the Windows runtime does). 0, or -1 with errno
// EINVAL for a null text, a text without '=' or with an empty name.
ZORBASE_API int _wputenv(const wchar_t* assignment);

// Sets `name` to `value`, or removes it when `value` is null. FALSE with ERROR_INVALID_PARAMETER
// for a null or empty name or one that holds '='; removing a variable that is not set succeeds.
ZORBASE_API BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);

// Copies the value of `name` into `buffer` of `size` characters. Returns its length; the size
// needed (terminator included) when the buffer is too small or null; 0 with
// ERROR_ENVVAR_NOT_FOUND when the variable is not set.
ZORBASE_API DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
#endif  // _WIN32

