#include <zorbase/progress/internal/process_clock.h>

#include <atomic>
#include <chrono>

namespace zb {
namespace progress_internal {
namespace {

std::atomic<std::int32_t (*)()> g_clock_override{nullptr};

std::int32_t RealClock() {
  static const std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - origin)
                      .count();
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

}  // namespace

std::int32_t ProcessClock() {
  std::int32_t (*clock)() = g_clock_override.load(std::memory_order_relaxed);
  return clock != nullptr ? clock() : RealClock();
}

void SetProcessClockForTesting(std::int32_t (*clock)()) {
  g_clock_override.store(clock, std::memory_order_relaxed);
}

}  // namespace progress_internal
}  // namespace zb
