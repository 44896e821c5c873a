// Where the help subsystem's messages go without a window: the application's log plug-in.
#pragma once

namespace zb {
namespace desktop_internal {

// Logs `text` through MLogManager::GetPlugIn() at Info level (the viewer's text pop-ups and the
// wrapper's announcements).
void LogHelpText(const wchar_t* text);

}  // namespace desktop_internal
}  // namespace zb
