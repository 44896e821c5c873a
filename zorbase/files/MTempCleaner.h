// MTempCleaner: a private temporary folder for the running program, removed afterwards together
// with the leftovers of earlier runs that nobody holds any more. While the cleaner is active, TMP
// and TEMP (and with them GetTempPathW and, through TMPDIR, native code in the process) point into
// the private folder, or, in file-name mode, a caller's MFileName does. The folder is held by a
// folder lock (MFolderLocker) for as long as the cleaner lives, which is how several running
// programs tell their folders apart from abandoned ones. MTempCleaner::MPauser switches the
// redirection off for a scope.
//
// The private folder is <old TMP>\<entry name>_HH_MM_SS (local time). Only folders of that form
// that carry a lock file nobody holds are ever deleted as leftovers; files and other folders in
// the temporary directory are never touched. The environment is process-wide: one active cleaner
// per process, used from one thread.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/files/MFolderLocker.h>
#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MTempCleaner {
 public:
  // Operations of _DoOperationOnPath.
  enum EPathOperation { PATH_OPERATION_DELETE = 0, PATH_OPERATION_COUNT = 1 };

  // Pauses the cleaner for its lifetime: Pause() now (for a non-null cleaner), Resume() at the end.
  class ZORBASE_API MPauser {
   public:
    explicit MPauser(MTempCleaner* cleaner);
    ~MPauser();
    MPauser(const MPauser& other) = default;
    // Copies the pointer (nothing is paused or resumed).
    MPauser& operator=(const MPauser& other) = default;

   private:
    MTempCleaner* m_cleaner;
  };

  // Stores the entry name unchanged (null: empty); with a file name, copies it and turns
  // file-name mode on. Not active.
  MTempCleaner(const wchar_t* entryName, const MFileName* fileName);
  // As above, with the entry name as MFileName composes `entryName` parsed as a directory (MyApp
  // becomes \MyApp; the folder path then has a doubled backslash, which names the same folder).
  MTempCleaner(CString& entryName, const MFileName* fileName);
  // Finish() when active (exceptions swallowed); the locks are released.
  virtual ~MTempCleaner();
  MTempCleaner(const MTempCleaner&) = delete;
  MTempCleaner& operator=(const MTempCleaner&) = delete;

  // Only while not active (and for a non-null name): the file title of `name`, made safe for
  // Windows (MAKE_SAFE rule 4), becomes the entry name; directory and extension are dropped.
  void SetEntryName(const wchar_t* name);
  void SetEntryName(CString& name);
  // A non-null name is copied and file-name mode turned on.
  void SetFileName(const MFileName* fileName);

  // Creates, locks and installs the private folder, then deletes leftovers of earlier runs. Does
  // nothing while active. When no private folder can be created under the temporary directory
  // (missing drive, no permission, path too long) the cleaner stays inactive, nothing is
  // redirected, and the last error tells why.
  void Init();
  // Only when active: restores the old paths, releases and deletes the private folder.
  void Finish();

  // The number of directories in the old temporary directory whose names begin with the entry
  // name (this cleaner's own included); 0 while not active, -1 when none matches.
  LONG EnumerateRootTempFolders() const;

  const CString& GetCurPath() const;
  const CString& GetOldPath() const;

 protected:
  // Only when active: inactive, the old paths installed again (the folder stays locked).
  void Pause();
  // Only after Pause(): active again, the private folder installed again.
  void Resume();
  // Sets TMP (isTmp) or TEMP to `path`, or in file-name mode parses the caller's name from it as
  // a directory. Returns 1.
  LONG _SetTmpPath(CString& path, bool isTmp);
  // _DoOperationOnPath(PATH_OPERATION_DELETE, path, pattern).
  LONG _DeletePath(const wchar_t* path, const wchar_t* pattern) const;
  // 0 at once while not active. Lists `path` (no pattern: the one entry it names) or the entries
  // of directory `path` that match `pattern`; -1 when the listing cannot start. Delete: files with
  // the archive attribute are removed, directories that can be locked are emptied and removed; the
  // answer starts at 1 and drops by one for every file that could not be removed. Count: the
  // number of directories listed.
  LONG _DoOperationOnPath(EPathOperation op, const wchar_t* path, const wchar_t* pattern) const;

  CString m_old_tmp_path;
  CString m_old_temp_path;
  CString m_entry_name;
  CString m_cur_path;
  MFolderLocker m_cur_lock;
  mutable MFolderLocker m_cleanup_lock;
  bool m_active;
  MFileName m_file_name;
  bool m_file_name_mode;

 private:
  // Whether TMP and TEMP were set before Init, so that Finish restores an unset variable as unset.
  bool m_tmp_was_set;
  bool m_temp_was_set;
  // Paused by Pause() (Resume() only undoes a pause).
  bool m_paused;
  // The private folder's path for the present local time.
  CString _MakeCurrentPath() const;
  // Whether a leftover `name` in the temporary directory is one of this entry's private folders.
  bool _IsOwnLeftover(const wchar_t* name) const;
  LONG _Walk(EPathOperation op, const wchar_t* path, const wchar_t* pattern, bool leftovers) const;
};
