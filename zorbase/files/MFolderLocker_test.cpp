#include <zorbase/files/MFolderLocker.h>

#include <UnitTest++/UnitTest++.h>

#include <csignal>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/win_errors.h>

#ifndef _WIN32  // a forked holder killed mid-lock: the Linux OFD lock emulation
namespace {

// A child process that locks `folder`, tells the parent, and waits to be killed.
pid_t LockInChild(const std::wstring& folder) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    MFolderLocker locker(folder.c_str());
    const char state = locker.IsLocked() ? 'L' : 'F';
    if (write(ready[1], &state, 1) != 1) _exit(3);
    for (;;) pause();
  }
  close(ready[1]);
  char state = 0;
  const bool told = read(ready[0], &state, 1) == 1 && state == 'L';
  close(ready[0]);
  if (!told && child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
  }
  return child;
}

}  // namespace
#endif

SUITE(MFolderLocker) {

TEST(ASecondLockerIsRefusedUntilTheFirstLets) {
  zb::test::ScratchDir dir("folder_lock_two");
  MFolderLocker first;
  CHECK_EQUAL(0u, first.Lock(dir.Win().c_str()));
  CHECK(first.IsLocked());
  {
    MFolderLocker second;
    CHECK_EQUAL(static_cast<DWORD>(ERROR_SHARING_VIOLATION), second.Lock(dir.Win().c_str()));
    CHECK(!second.IsLocked());
    CHECK_EQUAL(0u, first.Unlock());
    CHECK_EQUAL(0u, second.Lock(dir.Win().c_str()));
  }  // the destructor releases
  MFolderLocker third(dir.Win().c_str());
  CHECK(third.IsLocked());
  // The lock file stays after unlocking.
  CHECK_EQUAL(0u, third.Unlock());
  CHECK(dir.Exists("__fold__.lock"));
  CHECK_EQUAL(0u, third.Unlock());  // nothing held
}

TEST(RelockingTheSameFolderKeepsTheLock) {
  zb::test::ScratchDir dir("folder_lock_same");
  dir.Put("other/x", "x");
  MFolderLocker locker;
  CHECK_EQUAL(0u, locker.Lock(dir.Win().c_str()));
  std::wstring respelled = dir.Win() + L"\\";
  for (wchar_t& c : respelled) {
    if (c == L'\\') c = L'/';
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  }
  CHECK_EQUAL(0u, locker.Lock(respelled.c_str()));
  CHECK(locker.IsLocked());
  // A relative folder while holding a lock: 87, the first lock still held.
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_PARAMETER), locker.Lock(L"relative\\folder"));
  MFolderLocker probe;
  CHECK_EQUAL(static_cast<DWORD>(ERROR_SHARING_VIOLATION), probe.Lock(dir.Win().c_str()));
  // Locking another folder releases the first.
  CHECK_EQUAL(0u, locker.Lock(dir.Win(L"other").c_str()));
  CHECK_EQUAL(0u, probe.Lock(dir.Win().c_str()));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_PARAMETER), probe.Lock(nullptr));
}

TEST(BadFoldersGiveTheSystemsCode) {
  zb::test::ScratchDir dir("folder_lock_bad");
  MFolderLocker locker;
  CHECK_EQUAL(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), locker.Lock(dir.Win(L"missing").c_str()));
  // A lock "file" that is not a file.
  dir.Put("odd/__fold__.lock/inside", "x");
  CHECK_EQUAL(static_cast<DWORD>(ERROR_ACCESS_DENIED), locker.Lock(dir.Win(L"odd").c_str()));
  CHECK(!locker.IsLocked());
}

#ifndef _WIN32  // fork and kill: tests the release of the Linux OFD lock emulation
TEST(AKilledHolderFreesTheFolderAtOnce) {
  zb::test::ScratchDir dir("folder_lock_crash");
  const pid_t child = LockInChild(dir.Win());
  CHECK(child > 0);
  if (child <= 0) return;
  MFolderLocker locker;
  CHECK_EQUAL(static_cast<DWORD>(ERROR_SHARING_VIOLATION), locker.Lock(dir.Win().c_str()));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  CHECK_EQUAL(0u, locker.Lock(dir.Win().c_str()));
}
#endif

}  // SUITE(MFolderLocker)
