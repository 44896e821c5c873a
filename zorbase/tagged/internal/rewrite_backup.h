// The ".bak" file of a rewrite, and how a rewrite recognises its own. NAME.bak is also the name
// other programs give their backups (an editor's backup of plan.txt is plan.bak): only a backup
// that carries this library's mark naming the document, has the size the document had when it was
// set aside, and is a whole tagged document is taken for the remains of an unfinished rewrite.
#pragma once

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace tagged {

// The backup name of `name`: its directory and title with the extension ".bak". ERROR_SUCCESS;
// ERROR_INVALID_NAME when that is the document's own name (a document "x.bak"); or
// ERROR_FILENAME_EXCED_RANGE when it does not fit a path (it would name another file cut short).
DWORD FormBackupName(const MFileName& name, MFileName* backup);

// Marks the document `name` (of `size` bytes) as the backup of its own rewrite, before it is
// renamed to the backup name, and flushes the mark to the device. ERROR_SUCCESS, or the system
// error. A file system that keeps no marks is no failure: the backup then stays unmarked.
DWORD MarkAsBackup(const MFileName& name, __int64 size);
// Removes that mark again (a document put back, or a backup restored); best effort.
void UnmarkBackup(const MFileName& name);

enum class BackupOrigin {
  kNone,     // there is no file under the backup name
  kOurs,     // the backup of an unfinished rewrite of this very document
  kForeign,  // some other file under the backup name
};

// What the file under `backup` is to the document `name`. Where the file system keeps no marks a
// whole tagged document is taken for ours (no other program writes them).
BackupOrigin ExamineBackup(const MFileName& name, const MFileName& backup);

// Whether `name` is a whole tagged document: the head "ZORCOM" at offset 0 and top-level records
// that fill the file exactly. `*size` (may be null) receives its size.
bool IsWholeDocument(const MFileName& name, __int64* size);

}  // namespace tagged
}  // namespace zb
