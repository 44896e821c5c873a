// Debugger output on Linux: standard error, a file, or nowhere, as ZORBASE_DEBUG_OUTPUT says.
#include <zorbase/platform/debug_output.h>

#include <zorbase/platform/codepage.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace zb {
namespace platform {
namespace {

enum class Mode : int { kUnread, kDrop, kStderr, kFile };

struct DebugOutputState {
  std::mutex mutex;
  std::atomic<Mode> mode{Mode::kUnread};
  int fd = -1;  // the file of kFile, owned
};

DebugOutputState& State() {
  static DebugOutputState* state = new DebugOutputState;  // outlives every static destructor
  return *state;
}

// Applies a target text; the caller holds the mutex.
void ApplyTarget(DebugOutputState& s, const char* target) {
  if (s.fd >= 0) {
    ::close(s.fd);
    s.fd = -1;
  }
  if (target == nullptr || *target == '\0') {
    s.mode.store(Mode::kDrop, std::memory_order_release);
  } else if (std::strcmp(target, "stderr") == 0) {
    s.mode.store(Mode::kStderr, std::memory_order_release);
  } else {
    s.fd = ::open(target, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    s.mode.store(s.fd >= 0 ? Mode::kFile : Mode::kDrop, std::memory_order_release);
  }
}

Mode CurrentMode() {
  DebugOutputState& s = State();
  Mode mode = s.mode.load(std::memory_order_acquire);
  if (mode != Mode::kUnread) return mode;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.mode.load(std::memory_order_relaxed) == Mode::kUnread) {
    ApplyTarget(s, std::getenv("ZORBASE_DEBUG_OUTPUT"));
  }
  return s.mode.load(std::memory_order_relaxed);
}

void WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // debugger output never fails its caller
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
}

}  // namespace

bool DebugOutputEnabled() { return CurrentMode() != Mode::kDrop; }

void DebugOutputUtf8(const char* text, std::size_t length) {
  if (text == nullptr || length == 0 || CurrentMode() == Mode::kDrop) return;
  DebugOutputState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  switch (s.mode.load(std::memory_order_relaxed)) {
    case Mode::kStderr: WriteAll(STDERR_FILENO, text, length); break;
    case Mode::kFile: WriteAll(s.fd, text, length); break;
    default: break;
  }
}

void SetDebugOutputTarget(const char* target) {
  DebugOutputState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (target == nullptr) {
    if (s.fd >= 0) {
      ::close(s.fd);
      s.fd = -1;
    }
    s.mode.store(Mode::kUnread, std::memory_order_release);
  } else {
    ApplyTarget(s, target);
  }
}

}  // namespace platform
}  // namespace zb

void OutputDebugStringW(const wchar_t* text) {
  if (text == nullptr || !zb::platform::DebugOutputEnabled()) return;
  const std::string utf8 = zb::platform::WideToUtf8(text);
  zb::platform::DebugOutputUtf8(utf8.data(), utf8.size());
}

void OutputDebugStringA(const char* text) {
  if (text == nullptr || !zb::platform::DebugOutputEnabled()) return;
  const std::string utf8 = zb::platform::WideToUtf8(zb::platform::MultiToWide(text, CP_ACP));
  zb::platform::DebugOutputUtf8(utf8.data(), utf8.size());
}

BOOL IsDebuggerPresent() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 10, "TracerPid:") == 0) {
      return std::strtol(line.c_str() + 10, nullptr, 10) != 0 ? 1 : 0;
    }
  }
  return 0;
}
