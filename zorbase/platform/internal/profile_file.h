// File access of the private-profile calls: reading a whole file, the lock that serialises
// read-modify-write among writers of all processes, and the replacement of a file's contents that
// leaves the old or the new file whole. Implemented by the platform backend. Paths are native.
#pragma once

#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace internal {

// Reads the whole file at `native` into `bytes`. Returns 0, ERROR_FILE_NOT_FOUND (2) for a missing
// file, ERROR_PATH_NOT_FOUND (3) for a missing folder, ERROR_ACCESS_DENIED (5) for a directory or
// an unreadable file, or the code of another failure; `bytes` is only changed on success.
DWORD ReadWholeFile(const std::string& native, std::string* bytes);

// Holds the profile lock of the file `native` for its lifetime: exclusive for writers, shared for
// readers. The lock is on the file's folder (so it survives the file being replaced); where the
// folder cannot be opened it falls back to the file itself, and where neither can be locked the
// caller goes on unlocked. Works between threads and processes alike.
class ProfileLock {
 public:
  ProfileLock(const std::string& native, bool exclusive);
  ~ProfileLock();
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

 private:
  int fd_ = -1;
};

// Makes `bytes` the contents of the file at `native` by the platform's durable write (a new file
// beside it, flushed, renamed over it, the folder flushed; permissions kept). Where the folder
// refuses the new file but the existing file is writable, the file is rewritten in place. Returns
// 0 or the Windows code of the failure; on failure the old file is untouched (except by a failing
// in-place write).
DWORD ReplaceFileContents(const std::string& native, const std::string& bytes);

// ReplaceFileContents for the Windows path `path`, under the profile lock of the file. The file
// must be one Windows would let this process open for writing without sharing: a read-only file
// gives ERROR_ACCESS_DENIED, a file open elsewhere with a share mode that forbids it
// ERROR_SHARING_VIOLATION. Returns 0 or the Windows code of the failure; the old file then stays.
DWORD ReplaceWindowsFile(const wchar_t* path, const std::string& bytes);

}  // namespace internal
}  // namespace platform
}  // namespace zb
