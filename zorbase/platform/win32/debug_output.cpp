// Debugger output on Windows: the library's UTF-8 text goes to the system's OutputDebugStringW,
// unless ZORBASE_DEBUG_OUTPUT (or SetDebugOutputTarget) names standard error or a file for it, as
// tests and hosts that capture the output do.
#include <zorbase/platform/debug_output.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include <zorbase/platform/codepage.h>

namespace zb {
namespace platform {
namespace {

enum class Mode : int { kUnread, kDebugger, kStderr, kFile, kDrop };

struct DebugOutputState {
  std::mutex mutex;
  std::atomic<Mode> mode{Mode::kUnread};
  HANDLE file = INVALID_HANDLE_VALUE;  // the file of kFile, owned
};

DebugOutputState& State() {
  static DebugOutputState* state = new DebugOutputState;  // outlives every static destructor
  return *state;
}

void CloseTarget(DebugOutputState& s) {
  if (s.file != INVALID_HANDLE_VALUE) CloseHandle(s.file);
  s.file = INVALID_HANDLE_VALUE;
}

// Applies a target text; the caller holds the mutex. No target: the system's debugger output.
void ApplyTarget(DebugOutputState& s, const char* target, bool from_environment) {
  CloseTarget(s);
  if (target == nullptr || *target == '\0') {
    s.mode.store(from_environment ? Mode::kDebugger : Mode::kDrop, std::memory_order_release);
  } else if (std::strcmp(target, "stderr") == 0) {
    s.mode.store(Mode::kStderr, std::memory_order_release);
  } else {
    s.file = CreateFileW(Utf8ToWide(target).c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    s.mode.store(s.file != INVALID_HANDLE_VALUE ? Mode::kFile : Mode::kDrop,
                 std::memory_order_release);
  }
}

Mode CurrentMode() {
  DebugOutputState& s = State();
  Mode mode = s.mode.load(std::memory_order_acquire);
  if (mode != Mode::kUnread) return mode;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.mode.load(std::memory_order_relaxed) == Mode::kUnread) {
    ApplyTarget(s, std::getenv("ZORBASE_DEBUG_OUTPUT"), true);
  }
  return s.mode.load(std::memory_order_relaxed);
}

void WriteAll(HANDLE handle, const char* data, std::size_t length) {
  while (length > 0) {
    DWORD written = 0;
    DWORD chunk = length > 0x10000000u ? 0x10000000u : static_cast<DWORD>(length);
    if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) return;
    data += written;
    length -= written;
  }
}

}  // namespace

bool DebugOutputEnabled() { return CurrentMode() != Mode::kDrop; }

void DebugOutputUtf8(const char* text, std::size_t length) {
  if (text == nullptr || length == 0) return;
  const Mode mode = CurrentMode();
  if (mode == Mode::kDrop) return;
  if (mode == Mode::kDebugger) {
    OutputDebugStringW(Utf8ToWide(std::string(text, length)).c_str());
    return;
  }
  DebugOutputState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  switch (s.mode.load(std::memory_order_relaxed)) {
    case Mode::kStderr: WriteAll(GetStdHandle(STD_ERROR_HANDLE), text, length); break;
    case Mode::kFile: WriteAll(s.file, text, length); break;
    default: break;
  }
}

void SetDebugOutputTarget(const char* target) {
  DebugOutputState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (target == nullptr) {
    CloseTarget(s);
    s.mode.store(Mode::kUnread, std::memory_order_release);
  } else {
    ApplyTarget(s, target, false);
  }
}

}  // namespace platform
}  // namespace zb
