// The shell's standard folders (CSIDL codes) and the Windows directory, mapped onto the XDG base
// and user directories and onto drive C:. The whole table is in docs/directories.md; in short:
// - the user's documents, desktop, pictures, music, videos and templates are the XDG user
//   directories of $XDG_CONFIG_HOME/user-dirs.dirs (defaults $HOME/Documents, ...);
// - roaming application data is $XDG_CONFIG_HOME (~/.config), local application data
//   $XDG_DATA_HOME (~/.local/share), the internet cache $XDG_CACHE_HOME (~/.cache), the profile
//   $HOME, the user's start-menu programs $XDG_DATA_HOME/applications;
// - folders of the machine and of all users lie under drive C: as on Windows (C:\Windows,
//   C:\Program Files, C:\ProgramData, C:\Users\Public\Documents, ...).
// Paths come back in Windows form (a native folder under the drive whose root holds it, for
// instance Z:\home\ann\Documents).
#pragma once

#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_MYDOCUMENTS = CSIDL_PERSONAL;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_MYMUSIC = 0x000D;
constexpr int CSIDL_MYVIDEO = 0x000E;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_FONTS = 0x0014;
constexpr int CSIDL_TEMPLATES = 0x0015;
constexpr int CSIDL_COMMON_STARTMENU = 0x0016;
constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_INTERNET_CACHE = 0x0020;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_PROGRAM_FILES_COMMON = 0x002B;
constexpr int CSIDL_COMMON_TEMPLATES = 0x002D;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002E;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr int CSIDL_FLAG_DONT_VERIFY = 0x4000;
constexpr int CSIDL_FLAG_MASK = 0xFF00;

constexpr DWORD SHGFP_TYPE_CURRENT = 0;
constexpr DWORD SHGFP_TYPE_DEFAULT = 1;

// Writes the folder of `csidl` (flags may be added: CSIDL_FLAG_CREATE creates a missing folder with
// every folder above it, CSIDL_FLAG_DONT_VERIFY skips the existence check) into `path`, which holds
// MAX_PATH characters. S_OK; E_FAIL when the folder does not exist (without the create flag) or
// cannot be created; E_INVALIDARG for a code outside the table or a null `path`. On failure `path`
// holds the empty text. `owner`, `token` and `type` are accepted and not used.
ZORBASE_API HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD type, LPWSTR path);

// SHGetFolderPathW with CSIDL_FLAG_CREATE when `create`; TRUE on success.
ZORBASE_API BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);

// The Windows directory, C:\Windows (created when missing). Returns the length, or the size needed
// (terminator included) when `size` is too small; 0 with the last error when drive C: is not
// usable.
ZORBASE_API UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);

#endif  // _WIN32

namespace zb {
namespace platform {

// One row of the standard-folder table, for tools that show it.
struct StandardFolder {
  int csidl;
  const char* name;      // the CSIDL name, e.g. "CSIDL_PERSONAL"
  const char* source;    // where it comes from, e.g. "XDG_DOCUMENTS_DIR"
};

// The rows of the table, in CSIDL order; *count receives their number.
ZORBASE_API const StandardFolder* StandardFolders(int* count);

}  // namespace platform
}  // namespace zb
