// Windows paths to native paths and back. The platform's file functions are the only callers that
// turn a Windows path into a native one, and they all do it here, the same way:
// - Drive letters map to native directories: Z: is "/", C: is $XDG_DATA_HOME/zorbase/drive_c
//   (default ~/.local/share/zorbase/drive_c, created on first use), and any letter can be mapped
//   with ZORBASE_DRIVE_<LETTER>=/native/dir or with MapDrive. A call to MapDrive wins over the
//   environment, which is read at each use. An unmapped drive gives ERROR_PATH_NOT_FOUND.
// - Backslash and slash both separate; "." and ".." are resolved by text, never above the drive's
//   root; trailing dots and spaces of a name are dropped as Windows drops them ("name." is
//   "name"). A rooted path without a drive is on the drive of the current directory, a relative
//   path is relative to the current directory.
// - Names Windows refuses (the characters < > : " | ? * and control characters in a name, the
//   device names CON, PRN, AUX, NUL, COM1-9, LPT1-9 with or without an extension) are refused with
//   ERROR_INVALID_NAME. UNC paths (\\server\share) give ERROR_BAD_NETPATH.
// - Lookup ignores case as on Windows: the exact spelling is tried first (one fstatat); only on a
//   miss is the directory consulted, comparing names by Windows' simple upper-case mapping; among
//   several matches the first in byte order wins, so the choice never depends on the order in
//   which the file system lists its entries. A name that matches nothing keeps its spelling. The
//   folded names of a directory are read once and remembered while the directory is unchanged
//   (same inode, modification and change times), so mis-cased names cost a hash lookup, not a
//   scan, even in directories of many thousand entries.
// - Native names are UTF-8. Bytes that are not UTF-8 come back as the characters U+DC80 to U+DCFF
//   and map back to the same bytes, so every native name survives the round trip.
#pragma once

#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// Maps drive `letter` (A to Z, either case) to the absolute native directory `native_root` for
// this process. An empty root removes what an earlier call set, so the environment and the
// defaults apply again. False for a letter outside A to Z or a root that is not absolute.
ZORBASE_API bool MapDrive(wchar_t letter, const std::string& native_root);

// The native root of drive `letter` without a trailing slash ("/" for a root at "/"), or "" when
// the drive is not mapped.
ZORBASE_API std::string DriveRoot(wchar_t letter);

// Flags of ResolveWindowsPath.
enum ResolveFlags : unsigned {
  kResolveDefault = 0,
  // The last name is a search pattern: wildcards (* ? and the DOS forms < > ") are allowed in it
  // and it is neither looked up nor changed; only the directories before it are resolved.
  kResolvePattern = 1,
  // Map by text only; the file system is not consulted (no case-insensitive lookup).
  kResolveNoLookup = 2,
  // Only the Windows form is made: the drive need not be mapped, `native` stays empty and nothing
  // is looked up.
  kResolveTextOnly = 4,
  // Names are not checked for refused characters or device names.
  kResolveNoValidation = 8,
};

// A Windows path resolved to the native path that names the same file.
struct ResolvedPath {
  std::string native;          // absolute native path; ends with '/' when `trailing_separator`
  std::wstring windows;        // the absolute Windows form: drive, backslashes, no "." or ".."
  wchar_t drive = 0;           // upper-case drive letter
  bool exists = false;         // the name exists (symbolic links count, dangling or not)
  bool parent_missing = false; // a directory above the last name does not exist
  bool trailing_separator = false;  // the text ended with a separator (names a directory)
  bool is_root = false;        // the path is the root of its drive
};

// Resolves `path` as described above. Returns ERROR_SUCCESS, or ERROR_PATH_NOT_FOUND (null or
// empty text, unmapped drive), ERROR_INVALID_NAME, ERROR_BAD_NETPATH; `out` is filled only on
// success.
ZORBASE_API DWORD ResolveWindowsPath(const wchar_t* path, ResolvedPath* out,
                                     unsigned flags = kResolveDefault);

// The Windows form of an absolute native path: the drive whose root is the longest prefix of it
// (by whole names; between equally long roots the earlier letter), then the rest with backslashes.
// A relative native path is taken relative to the current directory. Always succeeds, since Z: is
// "/" unless remapped; "" only when no drive holds the path at all.
ZORBASE_API std::wstring NativeToWindowsPath(const std::string& native);

// The current directory in Windows form (no trailing backslash except at a drive's root).
ZORBASE_API std::wstring CurrentWindowsDirectory();

// Whether `name` (one path component, no separators) is a name Windows accepts. With
// `allow_wildcards` the characters * ? < > " are accepted too.
ZORBASE_API bool IsValidWindowsName(const std::wstring& name, bool allow_wildcards = false);

// Windows' simple upper-case mapping of one character (ASCII and the rest of Unicode alike;
// independent of the process locale). Names compare equal without regard to case when their
// characters map to the same upper-case characters.
ZORBASE_API wchar_t UpcaseChar(wchar_t c);
ZORBASE_API bool EqualNoCase(const std::wstring& a, const std::wstring& b);

// A native name (UTF-8, possibly invalid) as wide text and back; see the round-trip rule above.
ZORBASE_API std::wstring DecodeNativeName(const std::string& native);
ZORBASE_API std::string EncodeNativeName(const std::wstring& wide);

}  // namespace platform
}  // namespace zb
