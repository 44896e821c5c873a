// File-system steps that make a replaced file durable and keep the old one recoverable: flushing
// a named file and its directory to the device, renaming without replacing, and choosing a free
// temporary name beside a file. Every step reports failure; none throws.
#pragma once

#include <zorbase/files/MFileName.h>

namespace zb {
namespace tagged {

// Writes the named file's data to the device (fsync). False when it cannot be opened or flushed.
bool SyncFile(const wchar_t* name);
// Writes the directory entry changes of the directory that holds `name` to the device.
bool SyncDirectoryOf(const wchar_t* name);
// Renames `from` to `to`, failing when `to` exists.
bool RenameFile(const wchar_t* from, const wchar_t* to);
// Renames `from` to `to`, replacing `to` when it exists, in one atomic step.
bool ReplaceFileWith(const wchar_t* from, const wchar_t* to);
// Deletes a file; true when it is gone (also when it did not exist).
bool RemoveFile(const wchar_t* name);
// Whether a file or directory of that name exists.
bool FileExists(const wchar_t* name);
// A name beside `file` (same drive and directory) with the title `prefix` followed by a number
// from a process-wide counter and the extension `ext` (with its dot) that names no existing file.
MFileName SiblingTempName(const MFileName& file, const wchar_t* prefix, const wchar_t* ext);

}  // namespace tagged
}  // namespace zb
