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

}
