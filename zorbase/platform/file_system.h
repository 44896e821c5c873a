// The Win32 file functions the library calls, with their Windows contracts, on the native file
// system. Paths are Windows paths, mapped as <zorbase/platform/path_mapping.h> describes (drives,
// case-insensitive lookup, refused names). Every function that fails sets the thread's last error
// (GetLastError) to the Windows code; success leaves it alone unless Windows sets it too
// (CreateFileW with CREATE_ALWAYS or OPEN_ALWAYS on an existing file sets ERROR_ALREADY_EXISTS).
//
// Platform notes:
// - Share modes follow the Windows access/share matrix. Within the process a table of open files
//   (by device and inode) enforces them; between processes open-file-description locks on reserved
//   bytes far beyond any data do (released when the handle closes or the process dies). Where the
//   file system refuses such locks only the process's own table applies. The locks are advisory:
//   programs that do not use this library do not see them.
// - The read-only attribute is the absence of every write permission bit; it refuses writing,
//   truncating and deleting even to the superuser, as on Windows. Hidden, system and archive live
//   in the extended attribute user.DOSATTRIB as the text "0x%x" (Samba's binary form is read too);
//   archive is set for every file without that record; a name beginning with a dot reads as
//   hidden. Where extended attributes are not supported, SetFileAttributesW reports
//   ERROR_NOT_SUPPORTED for what it cannot store.
// - WriteFile and FlushFileBuffers report a full disk as ERROR_HANDLE_DISK_FULL (39), the calls
//   that work on names (CopyFileW, CreateDirectoryW) as ERROR_DISK_FULL (112).
// - There are no 8.3 short names; cAlternateFileName is always empty.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// ---- access rights, share modes, dispositions, flags ---------------------------------------------
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD GENERIC_EXECUTE = 0x20000000u;
constexpr DWORD GENERIC_ALL = 0x10000000u;
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000u;
constexpr DWORD DELETE = 0x00010000u;
constexpr DWORD READ_CONTROL = 0x00020000u;
constexpr DWORD WRITE_DAC = 0x00040000u;
constexpr DWORD WRITE_OWNER = 0x00080000u;
constexpr DWORD SYNCHRONIZE = 0x00100000u;
constexpr DWORD STANDARD_RIGHTS_READ = READ_CONTROL;
constexpr DWORD STANDARD_RIGHTS_WRITE = READ_CONTROL;
constexpr DWORD STANDARD_RIGHTS_EXECUTE = READ_CONTROL;
constexpr DWORD STANDARD_RIGHTS_REQUIRED = 0x000F0000u;
constexpr DWORD FILE_READ_DATA = 0x0001;
constexpr DWORD FILE_LIST_DIRECTORY = 0x0001;
constexpr DWORD FILE_WRITE_DATA = 0x0002;
constexpr DWORD FILE_ADD_FILE = 0x0002;
constexpr DWORD FILE_APPEND_DATA = 0x0004;
constexpr DWORD FILE_ADD_SUBDIRECTORY = 0x0004;
constexpr DWORD FILE_READ_EA = 0x0008;
constexpr DWORD FILE_WRITE_EA = 0x0010;
constexpr DWORD FILE_EXECUTE = 0x0020;
constexpr DWORD FILE_TRAVERSE = 0x0020;
constexpr DWORD FILE_DELETE_CHILD = 0x0040;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x0080;
constexpr DWORD FILE_WRITE_ATTRIBUTES = 0x0100;
constexpr DWORD FILE_ALL_ACCESS = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0x1FF;
constexpr DWORD FILE_GENERIC_READ =
    STANDARD_RIGHTS_READ | FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_READ_EA | SYNCHRONIZE;
constexpr DWORD FILE_GENERIC_WRITE = STANDARD_RIGHTS_WRITE | FILE_WRITE_DATA |
                                     FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA | FILE_APPEND_DATA |
                                     SYNCHRONIZE;
constexpr DWORD FILE_GENERIC_EXECUTE =
    STANDARD_RIGHTS_EXECUTE | FILE_READ_ATTRIBUTES | FILE_EXECUTE | SYNCHRONIZE;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x40;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD FILE_ATTRIBUTE_NOT_CONTENT_INDEXED = 0x2000;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000u;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000u;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
constexpr DWORD FILE_FLAG_POSIX_SEMANTICS = 0x01000000u;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;
constexpr DWORD FILE_TYPE_CHAR = 2;
constexpr DWORD FILE_TYPE_PIPE = 3;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* PSECURITY_ATTRIBUTES;

// Only the offset fields are used: a transfer with an OVERLAPPED happens at that offset,
// synchronously, and moves the file pointer to its end (as for a synchronous handle on Windows).
struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW* PWIN32_FIND_DATAW;

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};
typedef WIN32_FILE_ATTRIBUTE_DATA* LPWIN32_FILE_ATTRIBUTE_DATA;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0, GetFileExMaxInfoLevel = 1 };

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
typedef BY_HANDLE_FILE_INFORMATION* LPBY_HANDLE_FILE_INFORMATION;

// ---- files by handle ----------------------------------------------------------------------------

// Opens or creates a file (or, with FILE_FLAG_BACKUP_SEMANTICS, a directory). `access`: GENERIC_*
// or specific rights; `share`: FILE_SHARE_* that other opens may have while this one is open;
// `disposition`: CREATE_NEW (ERROR_FILE_EXISTS when it exists), CREATE_ALWAYS (truncates; sets
// ERROR_ALREADY_EXISTS when it existed), OPEN_EXISTING, OPEN_ALWAYS (sets ERROR_ALREADY_EXISTS when
// it existed), TRUNCATE_EXISTING (needs GENERIC_WRITE). FILE_ATTRIBUTE_READONLY, _HIDDEN, _SYSTEM in
// `flags` apply to a file that is created; FILE_FLAG_DELETE_ON_CLOSE, FILE_FLAG_WRITE_THROUGH and
// FILE_FLAG_SEQUENTIAL_SCAN/RANDOM_ACCESS are honoured, FILE_FLAG_OVERLAPPED is accepted (transfers
// stay synchronous). Nothing is truncated unless the sharing check passed. Returns
// INVALID_HANDLE_VALUE on failure (ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ...).
ZORBASE_API HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE template_file);

// Reads up to `count` bytes at the file pointer (or at the OVERLAPPED's offset). TRUE with
// *read 0 at the end of the file. Needs read access (ERROR_ACCESS_DENIED otherwise).
ZORBASE_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read,
                          LPOVERLAPPED overlapped);

// Writes `count` bytes at the file pointer (at the end for a handle with append access only, or at
// the OVERLAPPED's offset). TRUE only when every byte was written; otherwise FALSE with *written
// telling how many reached the file. Needs write access.
ZORBASE_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written,
                           LPOVERLAPPED overlapped);

// Moves the file pointer; a position before the start is ERROR_NEGATIVE_SEEK, beyond the end is
// allowed (a later write extends the file).
ZORBASE_API BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER new_position,
                                  DWORD method);
// The 32-bit form: the low part of the new position, INVALID_SET_FILE_POINTER on failure (the last
// error tells a failure from a position whose low part is all ones).
ZORBASE_API DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method);
ZORBASE_API BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
ZORBASE_API DWORD GetFileSize(HANDLE file, LPDWORD size_high);
// Cuts or extends the file to the file pointer.
ZORBASE_API BOOL SetEndOfFile(HANDLE file);
// Writes the file's data to the device (fsync).
ZORBASE_API BOOL FlushFileBuffers(HANDLE file);
ZORBASE_API DWORD GetFileType(HANDLE file);
ZORBASE_API BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info);
ZORBASE_API BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write);
ZORBASE_API BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                             const FILETIME* write);

// ---- files and directories by name --------------------------------------------------------------

// Deletes a file. ERROR_ACCESS_DENIED for a directory or a read-only file, ERROR_SHARING_VIOLATION
// while an open does not share delete.
ZORBASE_API BOOL DeleteFileW(LPCWSTR name);
// Renames or moves a file or directory. Without MOVEFILE_REPLACE_EXISTING an existing target is
// ERROR_ALREADY_EXISTS; across devices only with MOVEFILE_COPY_ALLOWED (files), else
// ERROR_NOT_SAME_DEVICE. A rename that changes only the case of a name works.
// MOVEFILE_DELAY_UNTIL_REBOOT is not supported (ERROR_INVALID_PARAMETER).
ZORBASE_API BOOL MoveFileExW(LPCWSTR existing, LPCWSTR target, DWORD flags);
ZORBASE_API BOOL MoveFileW(LPCWSTR existing, LPCWSTR target);
// Copies a file with its data, permissions, attributes and modification time. With
// `fail_if_exists` an existing target is ERROR_FILE_EXISTS; a read-only target is
// ERROR_ACCESS_DENIED.
ZORBASE_API BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL fail_if_exists);
// Creates one directory: ERROR_ALREADY_EXISTS when the name exists, ERROR_PATH_NOT_FOUND when its
// parent does not.
ZORBASE_API BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES security);
// Removes an empty directory: ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file.
ZORBASE_API BOOL RemoveDirectoryW(LPCWSTR name);
ZORBASE_API DWORD GetFileAttributesW(LPCWSTR name);
ZORBASE_API BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info);
ZORBASE_API BOOL SetFileAttributesW(LPCWSTR name, DWORD attributes);
// The absolute Windows form of `name` (no lookup on disk); `*file_part` points at the last name
// within `buffer`. Returns the length, or the size needed (terminator included) when the buffer is
// too small, 0 on failure.
ZORBASE_API DWORD GetFullPathNameW(LPCWSTR name, DWORD size, LPWSTR buffer, LPWSTR* file_part);

// ---- directory listings -------------------------------------------------------------------------

// Lists the entries of the directory in `pattern` whose names match its last name, with * (any run
// of characters), ? (one character, or none at the end of the name or before a dot) and the
// Windows rules for *.* (every name) and *. (names without an extension); without wildcards the
// one entry of that name. Case is ignored. Entries come in a stable order (by upper-case name), a
// non-root directory's listing starting with "." and "..". ERROR_FILE_NOT_FOUND when nothing
// matches, ERROR_PATH_NOT_FOUND when the directory is missing.
ZORBASE_API HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
// The next entry; FALSE with ERROR_NO_MORE_FILES at the end.
ZORBASE_API BOOL FindNextFileW(HANDLE search, LPWIN32_FIND_DATAW data);
ZORBASE_API BOOL FindClose(HANDLE search);

// ---- system paths -------------------------------------------------------------------------------

// The temporary directory with a trailing backslash: TMP, else TEMP (each either a Windows path or
// an absolute native one), else TMPDIR, else /tmp, in Windows form (e.g. Z:\tmp\). Returns the
// length, or the size needed (terminator included) when `size` is too small.
ZORBASE_API DWORD GetTempPathW(DWORD size, LPWSTR buffer);
// Composes dir\<first 3 characters of prefix><4 hex digits>.TMP. With `unique` 0 the number is
// chosen and the file created (empty) so the name is taken; otherwise the name is only composed.
// Returns the number used, 0 on failure (ERROR_DIRECTORY when `dir` is not a directory).
// `buffer` holds at least MAX_PATH characters.
ZORBASE_API UINT GetTempFileNameW(LPCWSTR dir, LPCWSTR prefix, UINT unique, LPWSTR buffer);
// The full path of the executable (`module` null) or of the shared object that holds the address
// `module` (a module handle is its load address), in Windows form. Returns the length; when
// `size` is too small the text is cut to size - 1 characters, terminated, `size` is returned and
// the last error is ERROR_INSUFFICIENT_BUFFER. 0 with ERROR_MOD_NOT_FOUND for an unknown module.
ZORBASE_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
// The current directory in Windows form, no trailing backslash except at a drive's root. Returns
// the length, or the size needed (terminator included) when `size` is too small.
ZORBASE_API DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);
ZORBASE_API BOOL SetCurrentDirectoryW(LPCWSTR path);
// Whether the path names an existing file or directory (no last error on a miss beyond that of the
// lookup).
ZORBASE_API BOOL PathFileExistsW(LPCWSTR path);
#endif  // _WIN32

