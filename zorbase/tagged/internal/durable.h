// File-system steps that make a replaced file durable and keep the old one recoverable: flushing
// a named file and its directory to the device, renaming with and without replacing, deleting.
// Every step reports failure; none throws.
#pragma once

#include <cstdint>

#include <zorbase/files/MFileName.h>

namespace zb {
namespace platform {
class FileStream;
}

namespace tagged {

// Writes the named file's data to the device (fsync). False when it cannot be opened or flushed.
bool SyncFile(const wchar_t* name);
// Asks the system to start writing `length` bytes of `stream`'s file from `offset` to the device,
// without waiting: a large file written before a Commit then spends less time in it. A hint only:
// nothing is reported, and Commit still waits for (and reports) every byte.
void StartWriteback(zb::platform::FileStream& stream, std::int64_t offset, std::int64_t length);
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
