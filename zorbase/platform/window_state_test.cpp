// Enabled state, top-level enumeration and the thread's capture, focus and active window.
#include <zorbase/platform/window_messages.h>

#include <thread>
#include <vector>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/internal/recording_windows.h>
#include <zorbase/platform/last_error.h>

namespace {

using StateClass = zb::test::RecordingWindows;

BOOL CALLBACK Collect(HWND window, LPARAM out) {
  reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
  return TRUE;
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
  for (HWND w : windows) {
    if (w == window) return true;
  }
  return false;
}

}  // namespace

SUITE(WindowState) {

TEST(EnableWindowReportsThePreviousStateAndNotifiesOnChange) {
  StateClass cls;
  HWND w = cls.Make();
  std::vector<WPARAM>& enables = StateClass::Enables();
  enables.clear();
  CHECK(IsWindowEnabled(w));
  CHECK_EQUAL(FALSE, EnableWindow(w, FALSE));  // was enabled
  CHECK(!IsWindowEnabled(w));
  CHECK(EnableWindow(w, FALSE) != FALSE);  // was disabled; no second notification
  CHECK(EnableWindow(w, TRUE) != FALSE);
  CHECK(IsWindowEnabled(w));
  CHECK_EQUAL(2u, enables.size());
  if (enables.size() == 2) {
    CHECK_EQUAL(static_cast<WPARAM>(FALSE), enables[0]);
    CHECK_EQUAL(static_cast<WPARAM>(TRUE), enables[1]);
  }
  DestroyWindow(w);
  CHECK_EQUAL(FALSE, EnableWindow(w, TRUE));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  CHECK_EQUAL(FALSE, IsWindowEnabled(w));
}

TEST(EnumWindowsListsTopLevelWindowsOnly) {
  StateClass cls;
  HWND top = cls.Make();
  HWND child = cls.Make(top);
  HWND message_only = cls.Make(HWND_MESSAGE);
  std::vector<HWND> seen;
  CHECK(EnumWindows(Collect, reinterpret_cast<LPARAM>(&seen)));
  CHECK(Contains(seen, top));
  CHECK(!Contains(seen, child));
  CHECK(!Contains(seen, message_only));
  DestroyWindow(child);
  DestroyWindow(message_only);
  DestroyWindow(top);
  seen.clear();
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&seen));
  CHECK(!Contains(seen, top));
}

TEST(CaptureFocusAndActivationFollowTheWindows) {
  StateClass cls;
  HWND w = cls.Make();
  HWND child = cls.Make(w);
  CHECK(SetActiveWindow(child) == nullptr);  // a child is never the active window
  SetActiveWindow(w);
  CHECK(GetActiveWindow() == w);
  SetCapture(w);
  SetFocus(w);
  CHECK(GetCapture() == w);
  CHECK(GetFocus() == w);
  EnableWindow(w, FALSE);  // a disabled window loses focus and capture
  CHECK(GetCapture() == nullptr);
  CHECK(GetFocus() == nullptr);
  CHECK(SetFocus(w) == nullptr);
  CHECK(GetFocus() == nullptr);
  EnableWindow(w, TRUE);
  SetFocus(w);
  HWND other_thread_focus = w;
  std::thread([&] { other_thread_focus = GetFocus(); }).join();
  CHECK(other_thread_focus == nullptr);  // each thread has its own input state
  DestroyWindow(child);
  DestroyWindow(w);
  CHECK(GetFocus() == nullptr);
  CHECK(GetActiveWindow() == nullptr);
}

}  // SUITE(WindowState)
