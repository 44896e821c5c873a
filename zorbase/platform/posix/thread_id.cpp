#include <zorbase/platform/thread_id.h>

#include <sys/syscall.h>
#include <unistd.h>

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}
