#include <zorbase/mail/internal/ApplicationWindows.h>

#include <zorbase/platform/thread_id.h>
#include <zorbase/platform/window_messages.h>

namespace zb {
namespace mail_internal {
namespace {

struct Collected {
  DWORD thread;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectOwnTopLevel(HWND window, LPARAM param) {
  auto* collected = reinterpret_cast<Collected*>(param);
  if (GetWindowThreadProcessId(window, nullptr) == collected->thread) {
    collected->windows.push_back(window);
  }
  return TRUE;
}

// The calling thread's top-level windows, oldest first. Windows of other threads are left alone:
// changing them would wait for threads that may not be pumping messages.
std::vector<HWND> OwnTopLevelWindows() {
  Collected collected{GetCurrentThreadId(), {}};
  EnumWindows(CollectOwnTopLevel, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

}  // namespace

HWND ApplicationMainWindow() {
  if (HWND active = GetActiveWindow()) return active;
  const std::vector<HWND> windows = OwnTopLevelWindows();
  return windows.empty() ? nullptr : windows.front();
}

DisabledApplicationWindows::DisabledApplicationWindows(HWND main) : main_(main) {
  for (HWND window : OwnTopLevelWindows()) {
    if (IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      disabled_.push_back(window);
    }
  }
  if (main_ != nullptr) SetCapture(main_);
  SetFocus(nullptr);
}

DisabledApplicationWindows::~DisabledApplicationWindows() {
  ReleaseCapture();
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  }
  if (main_ != nullptr && IsWindow(main_)) {
    SetActiveWindow(main_);
    SetFocus(main_);
  }
}

}  // namespace mail_internal
}  // namespace zb
