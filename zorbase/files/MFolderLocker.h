// MFolderLocker: marks a folder as in use by the running process. The lock is an open handle on
// the file "__fold__.lock" directly in the folder, opened without sharing: while it is open no
// other locker (in this process or another) can open the file, and when the process ends, however
// it ends, the system closes the handle and the lock is gone at once. The lock file is created on
// first lock and never deleted by the locker. The lock is advisory: it keeps out only code that
// also locks through this class. One object is used by one thread at a time.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MFolderLocker {
 public:
  // "__fold__.lock", the name of the lock file in a locked folder.
  static const wchar_t* mgp_lock_file_name;

  // Nothing locked.
  MFolderLocker();
  // Then Lock(folder) for a non-null folder; its result is not reported (see IsLocked).
  explicit MFolderLocker(const wchar_t* folder);
  // Closes the lock when one is held (errors are ignored).
  ~MFolderLocker();
  MFolderLocker(const MFolderLocker&) = delete;
  MFolderLocker& operator=(const MFolderLocker&) = delete;

  // Locks `folder`. While a lock is held the folder must be absolute (IsAbsolutePath), otherwise
  // 87 and the held lock stays; the same lock file (slashes and case aside) answers 0 at once; a
  // different one releases the held lock first. The lock file is opened for reading without
  // sharing, created when missing. Returns 0; 32 when another locker holds the folder; 33 when a
  // lock violation lasted over 3 seconds (retried every 300 ms); 87 for a null folder; otherwise
  // the system's code (for instance 3 for a missing folder, 5 when the lock file cannot be opened).
  // The last error is set to the code on failure.
  DWORD Lock(const wchar_t* folder);
  // Closes the lock; 0, or the system's code when closing fails (1 when it reports none). Without
  // a lock, 0.
  DWORD Unlock();
  // A lock is held.
  bool IsLocked() const;

 protected:
  HANDLE m_handle;     // the open lock file, or null
  CString m_lock_path; // the lock file's full path while the handle is open
};
