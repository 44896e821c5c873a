// Threads, waits and critical sections with their Windows contracts. A thread handle is a kernel
// handle (handle.h): it stays valid after the thread ends, until CloseHandle, and is signalled once
// the thread has ended.
#pragma once

#include <memory>

#include <zorbase/platform/export.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/thread_id.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);

constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Starts `start(parameter)` on a new thread (`stack_size` 0: the default) and returns its handle,
// or null with the last error set. With CREATE_SUSPENDED the thread waits for ResumeThread before
// it calls `start`. The routine's result becomes the thread's exit code.
ZORBASE_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack_size,
                                LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                                LPDWORD thread_id);

// Lets a suspended thread run; returns the previous suspend count (1, or 0 if it was running), or
// (DWORD)-1 for a handle that is not a thread.
ZORBASE_API DWORD ResumeThread(HANDLE thread);

// The exit code of a thread, STILL_ACTIVE while it runs.
ZORBASE_API BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code);

// Waits at most `milliseconds` (INFINITE: no limit) for the object to be signalled: WAIT_OBJECT_0,
// WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that is not waitable.
ZORBASE_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// A recursive lock for the threads of one process; the same size as on 64-bit Windows. Initialise
// before use and delete after the last use.
struct CRITICAL_SECTION {
  alignas(8) unsigned char opaque[40];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

ZORBASE_API void InitializeCriticalSection(LPCRITICAL_SECTION section);
ZORBASE_API void EnterCriticalSection(LPCRITICAL_SECTION section);
ZORBASE_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
ZORBASE_API void LeaveCriticalSection(LPCRITICAL_SECTION section);
ZORBASE_API void DeleteCriticalSection(LPCRITICAL_SECTION section);

#endif  // _WIN32

namespace zb {
namespace platform {

// A kernel object that WaitForSingleObject can wait for.
class ZORBASE_API WaitableObject : public KernelObject {
 public:
  // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT when `milliseconds` passed first.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

}  // namespace platform
}  // namespace zb
