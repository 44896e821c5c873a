// Modules and their resources: the Win32 module and resource calls with their Windows contracts.
//
// A module handle (HMODULE, HINSTANCE) of a native module is its load address, as on Windows:
// GetModuleHandleW(nullptr) is the executable, and a null module in the resource calls means the
// executable too. Native modules carry resources compiled from a resource script by the CMake
// function zorbase_add_resources (the standard .res format, kept in an ELF note of the module).
// LoadLibraryExW with LOAD_LIBRARY_AS_DATAFILE reads a Windows PE file (or a native module's file)
// for its resources only; such a handle has its lowest bit set, as on Windows, and is released
// with FreeLibrary.
//
// Resource data is never trusted: a damaged or truncated resource directory gives "not found"
// (ERROR_RESOURCE_DATA_NOT_FOUND, _TYPE_, _NAME_ or _LANG_NOT_FOUND), never a read outside the file.
//
// Platform notes: wide texts in resources are UTF-16; LoadStringW hands them out as wchar_t, one
// code unit each except that a surrogate pair becomes one character. Handles are shared by all
// threads; every call here may be made from any thread.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

typedef INT_PTR (*FARPROC)();

// Integer resource names and the predefined types.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(r) ((reinterpret_cast<ULONG_PTR>(r) >> 16) == 0)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_MESSAGETABLE MAKEINTRESOURCEW(11)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define VS_VERSION_INFO 1

// LoadLibraryExW flags. Each of the three data-file forms loads the file for its resources only.
constexpr DWORD DONT_RESOLVE_DLL_REFERENCES = 0x00000001u;
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002u;
constexpr DWORD LOAD_LIBRARY_AS_IMAGE_RESOURCE = 0x00000020u;
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE = 0x00000040u;

// The executable's handle for a null name; otherwise the loaded module whose file name (or full
// Windows or native path) is `name`, without regard to ASCII case. A name without a version
// suffix also matches the module's versioned file ("libzorbase.so" matches "libzorbase.so.0").
// Does not add a reference. Null with ERROR_MOD_NOT_FOUND when no module matches.
ZORBASE_API HMODULE GetModuleHandleW(LPCWSTR name);

// Loads a native shared object (dlopen) and returns its handle, adding a reference that
// FreeLibrary drops. `name` is a Windows or native path, or a bare file name searched the way the
// dynamic loader searches. Null with ERROR_MOD_NOT_FOUND (missing file) or ERROR_BAD_EXE_FORMAT
// (a file that is not a loadable shared object for this machine).
ZORBASE_API HMODULE LoadLibraryW(LPCWSTR name);
// LoadLibraryW of `name` read in the ANSI code page.
ZORBASE_API HMODULE LoadLibraryA(LPCSTR name);
// As LoadLibraryW for `flags` 0. With LOAD_LIBRARY_AS_DATAFILE (or _EXCLUSIVE, or
// LOAD_LIBRARY_AS_IMAGE_RESOURCE) the file is read whole and never run: a Windows PE file or a
// native module's file, for its resources. `file` must be null (ERROR_INVALID_PARAMETER).
ZORBASE_API HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
// The exported function `name` of a module LoadLibraryW loaded (or any loaded native module).
// Null with ERROR_PROC_NOT_FOUND; ERROR_INVALID_HANDLE for a data-file handle or unknown module.
ZORBASE_API FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// Drops one reference LoadLibraryW or LoadLibraryExW added. For a module loaded by the system
// (the executable, its libraries) this does nothing and succeeds. FALSE with
// ERROR_INVALID_HANDLE for a handle that names no module.
ZORBASE_API BOOL FreeLibrary(HMODULE module);

// The resource of `type` and `name` (integer resources, "#123" texts or names) in `module`: the
// neutral language first, then US English, then the first listed. Null with the last error set.
// The handle stays valid while the module stays loaded.
ZORBASE_API HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The same for one language: exactly `language`, else its primary language, else neutral.
ZORBASE_API HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
// The data of a found resource; LockResource gives its address (read-only, valid while the module
// stays loaded), SizeofResource its size in bytes (0 with ERROR_INVALID_HANDLE for a null handle).
ZORBASE_API HGLOBAL LoadResource(HMODULE module, HRSRC resource);
ZORBASE_API LPVOID LockResource(HGLOBAL resource);
ZORBASE_API DWORD SizeofResource(HMODULE module, HRSRC resource);
// Resources need no freeing; returns FALSE as Windows does.
ZORBASE_API BOOL FreeResource(HGLOBAL resource);

// String `id` from the module's string tables (block id / 16 + 1, entry id % 16, each entry a
// 16-bit length and that many UTF-16 units). Copies at most `size` - 1 characters and a
// terminator into `buffer` and returns the number copied; 0 when the string is missing or empty
// (with ERROR_RESOURCE_NAME_NOT_FOUND, _TYPE_ or _DATA_ when the table is missing). With `size` 0,
// `buffer` receives a read-only pointer to the whole string (not terminated, valid while the
// module stays loaded) and the result is its length.
ZORBASE_API int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size);

// Calls `callback` with each name of resource `type` in the module, in the order listed (the
// name pointer is an integer resource or a text valid during the call), until it returns FALSE.
// FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND when the module has none of that type.
typedef BOOL (*ENUMRESNAMEPROCW)(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);
ZORBASE_API BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW callback,
                                    LONG_PTR param);
#endif  // _WIN32

