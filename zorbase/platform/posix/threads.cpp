// Threads on pthreads, with a start gate for CREATE_SUSPENDED and a signalled state for waits;
// critical sections on recursive pthread mutexes.
#include <zorbase/platform/threads.h>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace {

class ThreadObject : public WaitableObject {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter, bool suspended)
      : start_(start), parameter_(parameter), suspended_(suspended) {}

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (milliseconds == INFINITE) {
      ended_cv_.wait(lock, [this] { return ended_; });
      return WAIT_OBJECT_0;
    }
    return ended_cv_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return ended_; })
               ? WAIT_OBJECT_0
               : WAIT_TIMEOUT;
  }

  DWORD Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    DWORD previous = suspended_ ? 1 : 0;
    suspended_ = false;
    resume_cv_.notify_all();
    return previous;
  }

  // The new thread's kernel id, once it has started.
  DWORD ThreadId() {
    std::unique_lock<std::mutex> lock(mutex_);
    resume_cv_.wait(lock, [this] { return thread_id_ != 0; });
    return thread_id_;
  }

  DWORD ExitCode() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_ ? exit_code_ : STILL_ACTIVE;
  }

  // The new thread's body; `self` keeps the object alive while the thread runs.
  static void* Run(void* raw) {
    auto* holder = static_cast<std::shared_ptr<ThreadObject>*>(raw);
    std::shared_ptr<ThreadObject> self = std::move(*holder);
    delete holder;
    {
      std::unique_lock<std::mutex> lock(self->mutex_);
      self->thread_id_ = GetCurrentThreadId();
      self->resume_cv_.notify_all();
      self->resume_cv_.wait(lock, [&] { return !self->suspended_; });
    }
    DWORD code = self->start_(self->parameter_);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->exit_code_ = code;
    self->ended_ = true;
    self->ended_cv_.notify_all();
    return nullptr;
  }

 private:
  LPTHREAD_START_ROUTINE start_;
  LPVOID parameter_;
  std::mutex mutex_;
  std::condition_variable resume_cv_, ended_cv_;
  bool suspended_;
  bool ended_ = false;
  DWORD thread_id_ = 0;
  DWORD exit_code_ = STILL_ACTIVE;
};

pthread_mutex_t* MutexOf(LPCRITICAL_SECTION section) {
  static_assert(sizeof(pthread_mutex_t) <= sizeof(section->opaque), "mutex fits");
  return reinterpret_cast<pthread_mutex_t*>(section->opaque);
}

}  // namespace
}  // namespace platform
}  // namespace zb

using zb::platform::ThreadObject;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD thread_id) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>(start, parameter, (flags & CREATE_SUSPENDED) != 0);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (stack_size) pthread_attr_setstacksize(&attr, stack_size < 65536 ? 65536 : stack_size);
  auto* holder = new std::shared_ptr<ThreadObject>(object);
  pthread_t thread;
  int error = pthread_create(&thread, &attr, &ThreadObject::Run, holder);
  pthread_attr_destroy(&attr);
  if (error != 0) {
    delete holder;
    zb::platform::SetLastErrorFromErrno(error);
    return nullptr;
  }
  if (thread_id) *thread_id = object->ThreadId();
  return zb::platform::RegisterHandle(object);
}

DWORD ResumeThread(HANDLE thread) {
  auto object = zb::platform::LookupHandleAs<ThreadObject>(thread);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return object->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code) {
  auto object = zb::platform::LookupHandleAs<ThreadObject>(thread);
  if (!object || !exit_code) {
    SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exit_code = object->ExitCode();
  return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto object = zb::platform::LookupHandleAs<zb::platform::WaitableObject>(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object->Wait(milliseconds);
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  new (zb::platform::MutexOf(section)) pthread_mutex_t;
  pthread_mutex_init(zb::platform::MutexOf(section), &attr);
  pthread_mutexattr_destroy(&attr);
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_lock(zb::platform::MutexOf(section));
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return pthread_mutex_trylock(zb::platform::MutexOf(section)) == 0;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_unlock(zb::platform::MutexOf(section));
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  pthread_mutex_destroy(zb::platform::MutexOf(section));
}
