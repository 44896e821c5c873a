// Test support: a window class whose windows record the WM_ENABLE notifications they receive, for
// tests of the enabled state and of code that disables an application's windows. Used only by
// tests; one instance at a time.
#pragma once

#include <vector>

#include <zorbase/platform/window_messages.h>

namespace zb {
namespace test {

class RecordingWindows {
 public:
  RecordingWindows() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    Enables().clear();
  }
  // The windows must be destroyed first (a class with windows stays registered).
  ~RecordingWindows() { UnregisterClassW(kClassName, nullptr); }
  RecordingWindows(const RecordingWindows&) = delete;
  RecordingWindows& operator=(const RecordingWindows&) = delete;

  HWND Make(HWND parent = nullptr) const {
    return CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  }
  // The wParam of each WM_ENABLE the class's windows received, oldest first.
  static std::vector<WPARAM>& Enables() {
    static std::vector<WPARAM> enables;
    return enables;
  }

 private:
  static constexpr const wchar_t* kClassName = L"ZbRecordingWindow";

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ENABLE) Enables().push_back(wparam);
    return DefWindowProcW(window, message, wparam, lparam);
  }
};

}  // namespace test
}  // namespace zb
