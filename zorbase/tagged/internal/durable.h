// File-system steps that make a replaced file durable and keep the old one recoverable: flushing
// a named file and its directory to the device, renaming with and without replacing, deleting.
// Every step reports failure; none throws.
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

}  // namespace tagged
}  // namespace zb
