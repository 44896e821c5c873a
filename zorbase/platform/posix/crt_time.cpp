// _localtime64 on the C library's localtime_r, with the Windows runtime's range.
#include <zorbase/platform/crt_time.h>

#include <cerrno>
#include <ctime>

struct tm* _localtime64(const __time64_t* seconds) {
  // 3000-12-31 23:59:59 UTC, the last second the Windows runtime converts.
  constexpr __time64_t kLast = 32503680000LL - 1;
  if (seconds == nullptr || *seconds < 0 || *seconds > kLast + 12 * 3600) {
    errno = EINVAL;
    return nullptr;
  }
  thread_local struct tm buffer;
  const time_t value = static_cast<time_t>(*seconds);
  if (localtime_r(&value, &buffer) == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  return &buffer;
}
