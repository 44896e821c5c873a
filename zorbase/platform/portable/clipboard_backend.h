// The desktop's clipboard as the clipboard calls see it: text in UTF-8 read and written through
// the desktop's programs. Implemented by the backend; shared by the portable clipboard only.
#pragma once

#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace clipboard {

// Whether a desktop clipboard is there (a display); otherwise the process keeps its own.
bool HaveDesktopClipboard();
// The desktop's text: ERROR_SUCCESS with `*has_text` false when it offers none.
DWORD ReadDesktopText(bool* has_text, std::string* utf8);
// Makes `utf8` the desktop's clipboard text.
DWORD WriteDesktopText(const std::string& utf8);
// Leaves the desktop's clipboard without our text (empty where it cannot be cleared).
DWORD ClearDesktopText();

}  // namespace clipboard
}  // namespace platform
}  // namespace zb
