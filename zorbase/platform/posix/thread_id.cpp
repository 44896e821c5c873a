#include <zorbase/platform/thread_id.h>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The id is asked of the kernel once per thread. A forked child's only thread is a new thread
// with the child's own id, so the copy it inherited from the forking thread is dropped.
thread_local DWORD t_thread_id = 0;

void ForgetThreadIdAfterFork() { t_thread_id = 0; }

}  // namespace

DWORD GetCurrentThreadId() {
  if (t_thread_id == 0) {
    static const int registered = pthread_atfork(nullptr, nullptr, ForgetThreadIdAfterFork);
    (void)registered;
    t_thread_id = static_cast<DWORD>(::syscall(SYS_gettid));
  }
  return t_thread_id;
}
