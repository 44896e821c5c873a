// The shell's file operations: SHFileOperationW (delete, to the user's freedesktop.org trash when
// undo is allowed; rename; copy; move) and SHCreateDirectoryExW. Paths are Windows paths (see
// <zorbase/platform/path_mapping.h>). There is no user interface: nothing is ever asked, so an
// operation proceeds as if every question had been answered yes, and fAnyOperationsAborted stays
// FALSE.
#pragma once

#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

typedef WORD FILEOP_FLAGS;
typedef const wchar_t* PCZZWSTR;

constexpr UINT FO_MOVE = 0x1;
constexpr UINT FO_COPY = 0x2;
constexpr UINT FO_DELETE = 0x3;
constexpr UINT FO_RENAME = 0x4;

constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
constexpr FILEOP_FLAGS FOF_CONFIRMMOUSE = 0x0002;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
constexpr FILEOP_FLAGS FOF_WANTMAPPINGHANDLE = 0x0020;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;
constexpr FILEOP_FLAGS FOF_NOCOPYSECURITYATTRIBS = 0x0800;
constexpr FILEOP_FLAGS FOF_NORECURSION = 0x1000;

// The shell's result for copying or moving a file onto itself.
constexpr int DE_SAMEFILE = 0x71;

struct SHFILEOPSTRUCTW {
  HWND hwnd;
  UINT wFunc;
  PCZZWSTR pFrom;  // one or more paths, each NUL-terminated, the list ending with a second NUL
  PCZZWSTR pTo;    // the same form; one path unless FOF_MULTIDESTFILES
  FILEOP_FLAGS fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  LPCWSTR lpszProgressTitle;
};
typedef SHFILEOPSTRUCTW* LPSHFILEOPSTRUCTW;

// Performs the operation on every source (wildcards allowed in a source's last name):
// - FO_DELETE: files and whole directory trees. With FOF_ALLOWUNDO each item is moved to the
//   freedesktop.org trash (the user's home trash on the same device, else the .Trash-UID
//   directory at the top of the item's mount), with a .trashinfo record so desktop tools can
//   restore it. When an item cannot go to the trash it is deleted for good only with
//   FOF_NOCONFIRMATION; otherwise the operation stops with ERROR_ACCESS_DENIED.
// - FO_RENAME: one source to one target name (ERROR_ALREADY_EXISTS when the target exists).
// - FO_COPY, FO_MOVE: into the target directory (an existing directory, or any target for several
//   sources, which is then created), or to the target name for one source; FOF_MULTIDESTFILES
//   pairs sources and targets. Existing files are replaced; with FOF_RENAMEONCOLLISION the copy
//   is named "title - Copy.ext" instead. Directories are copied with everything in them.
// Returns 0 on success, else a Windows error code (ERROR_FILE_NOT_FOUND when a source is missing,
// ERROR_SHARING_VIOLATION, ...) or DE_SAMEFILE; the thread's last error is set to the same code.
// Nothing is done when a source is missing.
ZORBASE_API int SHFileOperationW(LPSHFILEOPSTRUCTW operation);

// Creates a directory and every missing directory above it. ERROR_SUCCESS, ERROR_ALREADY_EXISTS
// when it exists, ERROR_PATH_NOT_FOUND for an unmapped drive, or another Windows error.
ZORBASE_API int SHCreateDirectoryExW(HWND owner, LPCWSTR path, const SECURITY_ATTRIBUTES* security);

#endif  // _WIN32

namespace zb {
namespace platform {

// The native directory of the user's home trash: $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash (read at each call).
ZORBASE_API std::string HomeTrashDirectory();

}  // namespace platform
}  // namespace zb
