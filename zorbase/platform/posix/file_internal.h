// Internal helpers of the POSIX file-system backend, shared by its sources: the open file object
// behind file handles and runtime streams, the share-mode table, attributes, times and the
// Windows runtime's errno rules. Not part of the public interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace platform {
namespace internal {

// Share-relevant rights of an open: bits of these three.
constexpr unsigned kRightRead = 1;
constexpr unsigned kRightWrite = 2;
constexpr unsigned kRightDelete = 4;

// The read/write/delete rights that take part in sharing, from a Win32 access mask.
unsigned ShareRights(DWORD access);
// A Win32 access mask with the generic rights expanded.
DWORD ExpandAccess(DWORD access);

// One open file or directory: the object behind a file handle and behind a runtime stream.
class FileObject : public KernelObject {
 public:
  ~FileObject() override;

  int fd = -1;
  DWORD access = 0;          // expanded access mask
  DWORD share = 0;           // FILE_SHARE_* granted to others
  bool directory = false;
  bool append_only = false;  // writes always go to the end
  bool delete_on_close = false;
  std::string native_path;   // as opened (for delete-on-close and reports)
  dev_t device = 0;
  ino_t inode = 0;
  int lock_fd = -1;          // descriptor holding the share locks when it is not `fd`
  std::uint64_t share_id = 0;  // entry in the process's share table, 0 when none

  bool CanRead() const { return (access & (FILE_READ_DATA | FILE_EXECUTE)) != 0; }
  bool CanWrite() const { return (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0; }
};

// Extra open options that runtime streams need beyond CreateFileW.
struct OpenOptions {
  bool append = false;  // O_APPEND: every write goes to the end (the runtime's "a" modes)
};

// Opens per CreateFileW's contract. On failure returns null and sets *error (a Windows code); on
// success *existed tells whether the file existed before.
std::shared_ptr<FileObject> OpenFileObject(const wchar_t* name, DWORD access, DWORD share,
                                           DWORD disposition, DWORD flags,
                                           const OpenOptions& options, DWORD* error,
                                           bool* existed);

// Checks that the file or directory at `native` may be deleted or renamed now: no open of it
// denies FILE_SHARE_DELETE. ERROR_SUCCESS or ERROR_SHARING_VIOLATION.
DWORD CheckDeleteSharing(const std::string& native);

// Windows attributes of a native file. `st` is its stat; `name` its last path name (for the
// leading-dot hidden rule).
DWORD AttributesOf(const std::string& native, const struct stat& st, const std::string& name);
// Stores the hidden, system and archive bits and the read-only attribute. ERROR_SUCCESS, or the
// Windows error (ERROR_NOT_SUPPORTED when the file system cannot keep the bits).
DWORD StoreAttributes(const std::string& native, const struct stat& st, DWORD attributes);
// Whether the permission bits make a file read-only (no write bit at all).
inline bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// FILETIME (100 ns since 1601) from and to a timespec.
FILETIME FileTimeFrom(const struct timespec& ts);
struct timespec TimespecFrom(const FILETIME& ft);

// Fills the fields that WIN32_FIND_DATAW and WIN32_FILE_ATTRIBUTE_DATA share, from the stat `st`
// of the native file `native` (`name` as for AttributesOf): attributes, times (the creation time
// is reported as the last write time) and size (0 for a directory).
template <typename Data>
void FillStatFields(const struct stat& st, DWORD attributes, Data* data) {
  data->dwFileAttributes = attributes;
  data->ftCreationTime = FileTimeFrom(st.st_mtim);
  data->ftLastAccessTime = FileTimeFrom(st.st_atim);
  data->ftLastWriteTime = FileTimeFrom(st.st_mtim);
  const std::uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
}
template <typename Data>
void FillStatFields(const std::string& native, const struct stat& st, const std::string& name,
                    Data* data) {
  FillStatFields(st, AttributesOf(native, st, name), data);
}

// The Windows runtime's errno for a Windows error code (its _dosmaperr table), in this platform's
// errno numbering.
int ErrnoFromWindowsError(DWORD code);

// The Windows code for an errno of a call on a resolved path: ENOENT becomes
// ERROR_PATH_NOT_FOUND when a directory of the path is missing.
DWORD ErrorForPath(int errno_value, const ResolvedPath& path);

// Sets the last error and returns FALSE, for one-line failure returns.
BOOL FailWith(DWORD code);

// Last path name of a native path.
std::string BaseName(const std::string& native);
// Native path without its last name and without trailing slashes.
std::string DirName(const std::string& native);
// A native path without its trailing slash (kept for "/").
std::string StripTrailingSlash(const std::string& native);

// Writes all of `data` to `fd` (at `offset` when it is not negative), honouring the write fault
// point. Returns the bytes written; on a short count errno tells why.
std::size_t WriteAll(int fd, const void* data, std::size_t size, std::int64_t offset);

// Copies the rest of `from` to `to` (both open), with the write fault point at each block.
// ERROR_SUCCESS or the Windows code of the failure (a full disk is ERROR_DISK_FULL).
DWORD CopyData(int from, int to);
// CopyFileW without the argument checks; also the fallback of a move across devices.
BOOL CopyFileResolved(const wchar_t* existing, const wchar_t* target, bool fail_if_exists);

// Windows wildcard match of `name` against `pattern` (already in the DOS forms: see FindFirstFileW),
// ignoring case.
bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name);
// Converts a user pattern to the form MatchesWildcard takes (? before a dot or at the end may match
// nothing, *.* is everything, *. is names without an extension).
std::wstring DosPattern(const std::wstring& pattern);

}  // namespace internal
}  // namespace platform
}  // namespace zb
