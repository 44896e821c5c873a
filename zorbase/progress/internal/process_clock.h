// The Windows runtime's clock(): milliseconds of wall-clock time, as a 32-bit count that wraps.
#pragma once

#include <cstdint>

namespace zb {
namespace progress_internal {

// Milliseconds since a fixed point early in the process (monotonic; wraps after 24.8 days).
std::int32_t ProcessClock();

// Replaces the clock for tests (null restores the real one). Not thread-safe.
void SetProcessClockForTesting(std::int32_t (*clock)());

}  // namespace progress_internal
}  // namespace zb
