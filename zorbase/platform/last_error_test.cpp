#include <zorbase/platform/last_error.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <thread>

SUITE(LastError) {

TEST(LastErrorIsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD other = 1;
  std::thread([&] { other = GetLastError(); }).join();
  CHECK_EQUAL(0u, other);
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
}

TEST(ErrnoMapsToWindowsCodes) {
  struct Case { int err; bool path; DWORD code; };
  const Case cases[] = {
      {ENOENT, false, 2}, {ENOENT, true, 3}, {EACCES, false, 5}, {EEXIST, false, 183},
      {ENOSPC, false, 112}, {EMFILE, false, 4}, {EBADF, false, 6}, {ENOTEMPTY, false, 145},
      {ENAMETOOLONG, false, 206}, {12345, false, ERROR_GEN_FAILURE}};
  for (const Case& c : cases) CHECK_EQUAL(c.code, zb::platform::ErrorFromErrno(c.err, c.path));
}

TEST(TheKindOfCallDecidesTheFewErrnoValuesThatDiffer) {
  using zb::platform::ErrnoContext;
  struct Case { int err; ErrnoContext context; DWORD code; };
  const Case cases[] = {
      {ENOSPC, ErrnoContext::kGeneral, ERROR_DISK_FULL},
      {ENOSPC, ErrnoContext::kHandleTransfer, ERROR_HANDLE_DISK_FULL},
      {EISDIR, ErrnoContext::kHandleTransfer, ERROR_INVALID_FUNCTION},
      {EIO, ErrnoContext::kHandleTransfer, ERROR_IO_DEVICE},
      {ENOENT, ErrnoContext::kMissingParent, ERROR_PATH_NOT_FOUND},
      {ENOTDIR, ErrnoContext::kMissingParent, ERROR_PATH_NOT_FOUND},
      {EEXIST, ErrnoContext::kGeneral, ERROR_ALREADY_EXISTS},
      {EEXIST, ErrnoContext::kCreateNew, ERROR_FILE_EXISTS},
      {EEXIST, ErrnoContext::kRemoveDirectory, ERROR_DIR_NOT_EMPTY},
      {ENOTEMPTY, ErrnoContext::kRemoveDirectory, ERROR_DIR_NOT_EMPTY},
      {EBUSY, ErrnoContext::kRemoveDirectory, ERROR_SHARING_VIOLATION},
      {EISDIR, ErrnoContext::kRename, ERROR_ACCESS_DENIED},
      {EINVAL, ErrnoContext::kRename, ERROR_ACCESS_DENIED},
      {EXDEV, ErrnoContext::kRename, ERROR_NOT_SAME_DEVICE},
      {EPERM, ErrnoContext::kRegistryHive, ERROR_ACCESS_DENIED},
      {EIO, ErrnoContext::kRegistryHive, ERROR_REGISTRY_IO_FAILED},
      {ENOSPC, ErrnoContext::kRegistryHive, ERROR_REGISTRY_IO_FAILED},
  };
  for (const Case& c : cases) CHECK_EQUAL(c.code, zb::platform::ErrorFromErrno(c.err, c.context));
}

}
