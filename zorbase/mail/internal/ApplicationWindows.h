// The application's windows while a mail program is in charge: disabled, the mouse captured and
// the focus cleared, then restored, as for a modal dialog.
#pragma once

#include <vector>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace mail_internal {

// The application's main window: the calling thread's active window, else its first top-level
// window; null when the thread has none.
HWND ApplicationMainWindow();

// Disables every enabled top-level window of the calling thread (the main window and the modeless
// ones), captures the mouse for `main` and clears the focus; the destructor releases the capture,
// enables again exactly the windows it disabled (those still there) and activates `main` again.
class DisabledApplicationWindows {
 public:
  explicit DisabledApplicationWindows(HWND main);
  ~DisabledApplicationWindows();
  DisabledApplicationWindows(const DisabledApplicationWindows&) = delete;
  DisabledApplicationWindows& operator=(const DisabledApplicationWindows&) = delete;

 private:
  HWND main_;
  std::vector<HWND> disabled_;
};

}  // namespace mail_internal
}  // namespace zb
