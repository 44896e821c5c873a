// Injected faults: one slot per fault point, guarded by a mutex; an atomic flag keeps the check free
// while nothing is injected.
#include <zorbase/platform/fault_injection.h>

#include <atomic>
#include <csignal>
#include <mutex>

namespace zb {
namespace platform {
namespace {

struct Slot {
  bool armed = false;
  std::uint64_t calls = 0;
  std::uint64_t first = 0;
  std::uint64_t count = 0;
  int error_number = 0;
};

constexpr int kPointCount = 4;

std::mutex& SlotMutex() {
  static std::mutex mutex;
  return mutex;
}

Slot g_slots[kPointCount];
std::atomic<bool> g_armed[kPointCount];

}  // namespace

void InjectFault(FaultPoint point, std::uint64_t nth, int error_number, std::uint64_t count) {
  const int index = static_cast<int>(point);
  std::lock_guard<std::mutex> lock(SlotMutex());
  Slot& slot = g_slots[index];
  slot.armed = true;
  slot.calls = 0;
  slot.first = nth == 0 ? 1 : nth;
  slot.count = count;
  slot.error_number = error_number;
  g_armed[index].store(true, std::memory_order_release);
}

void ClearFault(FaultPoint point) {
  const int index = static_cast<int>(point);
  std::lock_guard<std::mutex> lock(SlotMutex());
  g_slots[index] = Slot();
  g_armed[index].store(false, std::memory_order_release);
}

void ClearFaults() {
  for (int i = 0; i < kPointCount; ++i) ClearFault(static_cast<FaultPoint>(i));
}

std::uint64_t FaultCallCount(FaultPoint point) {
  std::lock_guard<std::mutex> lock(SlotMutex());
  return g_slots[static_cast<int>(point)].calls;
}

int CheckFault(FaultPoint point) {
  const int index = static_cast<int>(point);
  if (!g_armed[index].load(std::memory_order_acquire)) return 0;
  std::lock_guard<std::mutex> lock(SlotMutex());
  Slot& slot = g_slots[index];
  if (!slot.armed) return 0;
  const std::uint64_t call = ++slot.calls;
  if (call < slot.first) return 0;
  if (slot.count != kFaultForever && call - slot.first >= slot.count) return 0;
  if (slot.error_number == kFaultEndProcess) raise(SIGKILL);
  return slot.error_number;
}

}  // namespace platform
}  // namespace zb
