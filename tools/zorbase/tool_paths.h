// File arguments of the `zorbase` subcommands, as the library sees them. Every subcommand turns its
// file arguments into Windows paths here and asks the library (not the native file system) whether
// they exist and how large they are, so a mapped drive means the same file everywhere.
#pragma once

#include <string>

namespace zb {
namespace tool {

// The Windows path of a command-line file argument. "C:\dir\f", "C:f", "\dir\f" and relative
// paths with a backslash are Windows paths and stay as given; anything else is a native path
// (absolute, or relative to the current directory) and becomes the Windows path of its absolute
// form.
std::wstring ArgumentToWindowsPath(const std::string& arg);

// Whether `path` names an existing file or directory (a symbolic link counts by its target).
bool PathExists(const std::wstring& path);

// The size of the file `path`, or -1 when it does not exist or is no regular file.
long long FileSizeOf(const std::wstring& path);

// Whether `path` is a file the tools may read: an existing regular file (a pipe or a device could
// block or never end). Otherwise prints "zorbase COMMAND: 'ARG' ..." with the reason to standard
// error and returns false.
bool CheckRegularFile(const char* command, const std::string& arg, const std::wstring& path);

}  // namespace tool
}  // namespace zb
