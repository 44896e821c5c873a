// Directories and path helpers: where the standard folders of the system and of the running
// program are, whether a directory is empty or accessible, copying a directory's contents,
// creating a chain of directories, and small text helpers for separators and file names. None of
// these keeps state. Paths are Windows paths; both slash kinds are accepted where stated, the
// backslash is what is written. Queries of system paths read at most 260 characters and give the
// empty text on failure.
#pragma once

#include <string>

#include <zorbase/afx/CString.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace MDirectory {

// The folder of the shell's standard-folder code `csidl` (SHGetFolderPathW, current path); with
// `create` the folder is created when missing. Empty on failure.
ZORBASE_API std::wstring GetStandard(int csidl, bool create);
// Start-menu programs of the user (2) or of all users (23).
ZORBASE_API std::wstring GetPrograms(bool common);
// The program-files directory (38) or the common-files directory under it (43).
ZORBASE_API std::wstring GetProgramFiles(bool common);
// The user's documents (5) or the documents of all users (46).
ZORBASE_API std::wstring GetDocuments(bool common);
// The user's roaming application data (26) or the application data of all users (35).
ZORBASE_API std::wstring GetApplicationData(bool common);

// Drive and directory of the running executable, ending in a backslash.
ZORBASE_API std::wstring GetApplication();
// The current directory, without a trailing backslash except at a root.
ZORBASE_API std::wstring GetCurrent();
// The system's temporary directory (GetTempPathW), ending in a backslash.
ZORBASE_API std::wstring GetTemporary();
// Creates an empty file with a name chosen by the system in GetTemporary(), with the first three
// characters of `prefix`; its full path, or empty on failure.
ZORBASE_API std::wstring GetTemporaryFileName(const wchar_t* prefix);
// The drive of the Windows directory, such as C:, without a backslash.
ZORBASE_API std::wstring GetSystemDrive();

// SHGetFolderPathW(owner, csidl, no token, current path) into `buffer` (at least 260 characters);
// true when the result is not negative. A null buffer answers false.
ZORBASE_API bool GET_SPECIAL_FOLDER_PATH(wchar_t* buffer, HWND owner, int csidl);
// Drive and directory of the running executable in `out` (title and extension removed). When the
// system gives nothing, `out` keeps its drive and directory and still loses title and extension.
ZORBASE_API void GET_EXECUTABLE_DIRECTORY(MFileName& out);
// The working directory configured for the program: key "WorkingDirectory" of section "Quvara" in
// "material.ini" beside the executable, parsed as a directory; an empty name when the file or the
// key is missing or the value is empty.
ZORBASE_API void GET_WORKING_DIRECTORY(MFileName& out);
// The same as GET_WORKING_DIRECTORY.
ZORBASE_API void GET_PROJECT_DIRECTORY(MFileName& out);

// True for a missing directory, one that cannot be listed, and one with no entries besides "."
// and "..".
ZORBASE_API bool IsDirectoryEmpty(const CString& dir);
// Opens `path` (file or directory) for `access`; false only when that is refused with access
// denied (5), true on success and for every other error.
ZORBASE_API bool DirectoryHasAccess(const CString& path, DWORD access);
// Copies the files and folders directly in `from` into `to` (created first with every missing
// folder above it) through the shell's copy without recursion or questions; true when the shell
// reports success. Paths that do not fit 260 characters answer false.
ZORBASE_API bool CopyDirectoryContents(const CString& from, const CString& to, bool showProgress);

}  // namespace MDirectory

namespace MFileUtility {

// Removes a forbidden character (\ / * : ? < > | ") at the start of `name` and replaces every
// other one by '_', character by character in that order. True when anything changed; an empty
// name answers false.
ZORBASE_API bool FixFileName(std::wstring& name);

}  // namespace MFileUtility

// True for C:\x, C:/x, \\x and //x; false for the empty text, C:, C:x, \x and /x (and null).
ZORBASE_API bool IsAbsolutePath(const wchar_t* path);
// Every slash becomes a backslash; a non-empty path without a final backslash gets one.
ZORBASE_API void AssurePath(CString& path);
// AssurePath(path), then `name` (when not null) appended without one leading slash or backslash.
ZORBASE_API void AssurePathAppend(CString& path, const wchar_t* name);
// Creates every missing directory of `path` from the left. True when all exist afterwards; false
// with the system's last error for the first one that could not be created, and for paths that
// begin with a separator (UNC paths included). The last error is 87 when nothing was tried.
ZORBASE_API bool mkdirchain(const wchar_t* path);
