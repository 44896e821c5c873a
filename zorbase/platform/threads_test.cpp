#include <zorbase/platform/threads.h>

#include <UnitTest++/UnitTest++.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <thread>

#include <zorbase/platform/clocks.h>
#include <zorbase/platform/last_error.h>

namespace {

std::atomic<int> g_started{0};
std::atomic<bool> g_release{false};

DWORD Started(LPVOID parameter) {
  ++g_started;
  while (!g_release) Sleep(1);
  return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

}  // namespace

SUITE(Threads) {

TEST(SuspendedThreadWaitsForResumeAndReportsItsExitCode) {
  g_started = 0;
  g_release = false;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Started, reinterpret_cast<LPVOID>(42), CREATE_SUSPENDED,
                               &id);
  CHECK(thread != nullptr);
  CHECK(id != 0 && id != GetCurrentThreadId());
  Sleep(20);
  CHECK_EQUAL(0, g_started.load());
  DWORD code = 0;
  CHECK(GetExitCodeThread(thread, &code));
  CHECK_EQUAL(STILL_ACTIVE, code);
  CHECK_EQUAL(1u, ResumeThread(thread));
  CHECK_EQUAL(WAIT_TIMEOUT, WaitForSingleObject(thread, 10));
  g_release = true;
  CHECK_EQUAL(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
  CHECK(GetExitCodeThread(thread, &code));
  CHECK_EQUAL(42u, code);
  CHECK_EQUAL(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));  // stays signalled
  CHECK(CloseHandle(thread));
  CHECK_EQUAL(WAIT_FAILED, WaitForSingleObject(thread, 0));
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(CriticalSectionIsRecursiveAndExcludesOtherThreads) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  std::atomic<int> other{-1};
  g_release = true;
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        return TryEnterCriticalSection(static_cast<LPCRITICAL_SECTION>(p)) ? 1 : 0;
      },
      &section, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  DWORD code = 9;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  CHECK_EQUAL(0u, code);
  LeaveCriticalSection(&section);
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);
  (void)other;
}

#ifndef _WIN32  // Linux processes, links or permissions
TEST(ThreadIdsAreTheThreadsOwnAlsoInAForkedChild) {
  const DWORD parent = GetCurrentThreadId();
  CHECK(parent != 0);
  DWORD other = 0;
  std::thread([&other] { other = GetCurrentThreadId(); }).join();
  CHECK(other != 0 && other != parent);
  // The child's only thread is its main thread, whose id is the child's process id.
  const pid_t child = fork();
  if (child == 0) _exit(GetCurrentThreadId() == static_cast<DWORD>(getpid()) ? 0 : 1);
  CHECK(child > 0);
  int status = -1;
  if (child > 0) waitpid(child, &status, 0);
  CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

TEST(TickCountAndCounterMoveForward) {
  ULONGLONG t0 = GetTickCount64();
  LARGE_INTEGER c0, c1, f;
  CHECK(QueryPerformanceCounter(&c0));
  Sleep(5);
  CHECK(QueryPerformanceCounter(&c1));
  CHECK(QueryPerformanceFrequency(&f));
  CHECK(c1.QuadPart > c0.QuadPart);
  CHECK_EQUAL(1000000000LL, f.QuadPart);
  CHECK(GetTickCount64() >= t0 + 4);
  CHECK(!QueryPerformanceCounter(nullptr));
  CHECK(_time64(nullptr) > 1700000000);
}

}
