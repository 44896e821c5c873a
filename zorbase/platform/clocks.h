// Clocks as Windows gives them: the millisecond tick count since the system started (32-bit, wraps
// after 49.7 days), the high-resolution performance counter, calendar seconds, and Sleep.
#pragma once

#include <cstdint>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// Milliseconds since the system started, modulo 2^32 (CLOCK_MONOTONIC).
ZORBASE_API DWORD GetTickCount();
ZORBASE_API ULONGLONG GetTickCount64();

// The performance counter (nanoseconds of CLOCK_MONOTONIC) and its frequency, 1,000,000,000 per
// second. Both always succeed for a non-null argument; null gives FALSE with
// ERROR_INVALID_PARAMETER.
ZORBASE_API BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
ZORBASE_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// Suspends the calling thread for `milliseconds`; 0 yields the processor; INFINITE sleeps forever.
ZORBASE_API void Sleep(DWORD milliseconds);

// Calendar time in seconds since 1970-01-01 UTC; also stored in *seconds when it is not null.
ZORBASE_API std::int64_t _time64(std::int64_t* seconds);

#endif  // _WIN32

namespace zb {
namespace platform {

// Moves the tick count and the calendar time forward by `milliseconds` (process-wide, cumulative;
// a negative value moves them back). Lets tests put the tick count just below its wrap or let time
// pass without waiting; 0 changes nothing. Never used by the library itself.
ZORBASE_API void AdvanceClocksForTesting(std::int64_t milliseconds);
// Undoes every AdvanceClocksForTesting.
ZORBASE_API void ResetClocksForTesting();

}  // namespace platform
}  // namespace zb
