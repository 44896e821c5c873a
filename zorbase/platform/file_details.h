// What a file is beyond its Windows attributes: whether a name denotes a regular file (and not a
// pipe or a device, which reading would block on or never finish), the file a name finally denotes
// after symbolic links, and carrying a file's permissions and owner over to a file that replaces
// it. Paths are Windows paths, mapped as <zorbase/platform/path_mapping.h> describes; failures set
// the thread's last error.
#pragma once

#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

enum class FileKind {
  kMissing,    // nothing by that name (or a link to nothing); the last error tells why
  kRegular,    // a file of data
  kDirectory,
  kOther,      // a pipe, socket or device
};

// The kind of the file `name` denotes, symbolic links followed.
ZORBASE_API FileKind GetFileKindW(LPCWSTR name);

// The Windows path of the file `name` finally denotes: symbolic links on the way and at the end
// are followed; a last name that does not exist is kept as it is (a link to a missing file gives
// the missing target). FALSE with the last error when a directory on the way is missing or the
// links loop (ERROR_CANT_RESOLVE_FILENAME).
ZORBASE_API BOOL GetFinalPathW(LPCWSTR name, std::wstring* final_path);

// Gives `to` the permission bits of `from` and, where the process may change them, its owner and
// group (a process that may not keeps its own, silently). FALSE with the last error when either
// file is missing or the permissions cannot be set.
ZORBASE_API BOOL CopyFileOwnershipW(LPCWSTR from, LPCWSTR to);

}  // namespace platform
}  // namespace zb
