// Tick count, performance counter, calendar time and Sleep on CLOCK_MONOTONIC and CLOCK_REALTIME.
#include <zorbase/platform/clocks.h>

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace {

std::atomic<std::int64_t> g_bias_ms{0};

std::int64_t MonotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

void AdvanceClocksForTesting(std::int64_t milliseconds) { g_bias_ms += milliseconds; }
void ResetClocksForTesting() { g_bias_ms = 0; }

}  // namespace platform
}  // namespace zb

ULONGLONG GetTickCount64() {
  return static_cast<ULONGLONG>(zb::platform::MonotonicNanoseconds() / 1000000 +
                                zb::platform::g_bias_ms.load(std::memory_order_relaxed));
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  count->QuadPart = zb::platform::MonotonicNanoseconds();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  frequency->QuadPart = 1000000000;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  timespec wait{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

std::int64_t _time64(std::int64_t* seconds) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  std::int64_t bias = zb::platform::g_bias_ms.load(std::memory_order_relaxed);
  // Seconds move with the bias as whole milliseconds accumulate (floor division).
  std::int64_t ms = static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000 + bias;
  std::int64_t result = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  if (seconds) *seconds = result;
  return result;
}
