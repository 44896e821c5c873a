// The desktop's clipboard through its programs: wl-copy/wl-paste under Wayland, xclip or xsel
// under X11, each run under the clipboard's time-out.
#include <zorbase/platform/portable/clipboard_backend.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <zorbase/platform/child_process.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace clipboard {
namespace {

enum class Tool { kNone, kWayland, kXclip, kXsel };

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0;
}

// The program family for the current display: Wayland's own tools when they are installed
// (otherwise an X server, if any, through X11's), else xclip, else xsel.
Tool ChooseTool() {
  if (IsSet("WAYLAND_DISPLAY") && !FindProgram("wl-copy").empty() &&
      !FindProgram("wl-paste").empty()) {
    return Tool::kWayland;
  }
  if (!IsSet("DISPLAY")) return Tool::kNone;
  if (!FindProgram("xclip").empty()) return Tool::kXclip;
  if (!FindProgram("xsel").empty()) return Tool::kXsel;
  return Tool::kNone;
}

DWORD TimeoutMs() {
  const char* value = std::getenv("ZORBASE_CLIPBOARD_TIMEOUT_MS");
  if (value == nullptr || *value == 0) return 5000;
  char* end = nullptr;
  const unsigned long ms = std::strtoul(value, &end, 10);
  return *end == 0 && ms > 0 && ms < 600000 ? static_cast<DWORD>(ms) : 5000;
}

ProgramResult Run(std::vector<std::string> argv, const std::string& input, bool capture) {
  ProgramRun run;
  run.argv = std::move(argv);
  run.input = input;
  run.capture_output = capture;
  run.timeout_ms = TimeoutMs();
  return RunProgram(run);
}

}  // namespace

bool HaveDesktopClipboard() { return IsSet("WAYLAND_DISPLAY") || IsSet("DISPLAY"); }

DWORD ReadDesktopText(bool* has_text, std::string* utf8) {
  *has_text = false;
  utf8->clear();
  ProgramResult result;
  switch (ChooseTool()) {
    case Tool::kWayland:
      result = Run({"wl-paste", "--no-newline", "--type", "text"}, std::string(), true);
      break;
    case Tool::kXclip:
      result = Run({"xclip", "-selection", "clipboard", "-out", "-target", "UTF8_STRING"},
                   std::string(), true);
      break;
    case Tool::kXsel:
      result = Run({"xsel", "--clipboard", "--output"}, std::string(), true);
      break;
    case Tool::kNone:
      return ERROR_FILE_NOT_FOUND;
  }
  if (result.error != ERROR_SUCCESS) return result.error;
  // A failing read means an empty clipboard or one without text (the programs say so on
  // standard error, which is not kept).
  if (result.exit_code == 0) {
    *has_text = true;
    *utf8 = std::move(result.output);
  }
  return ERROR_SUCCESS;
}

DWORD WriteDesktopText(const std::string& utf8) {
  ProgramResult result;
  switch (ChooseTool()) {
    case Tool::kWayland:
      result = Run({"wl-copy", "--type", "text/plain;charset=utf-8"}, utf8, false);
      break;
    case Tool::kXclip:
      // xclip stays in the background to serve the selection; its standard output and error
      // are not ours (RunProgram gives it /dev/null), so the call ends when its parent does.
      result = Run({"xclip", "-selection", "clipboard", "-in", "-target", "UTF8_STRING"}, utf8,
                   false);
      break;
    case Tool::kXsel:
      result = Run({"xsel", "--clipboard", "--input"}, utf8, false);
      break;
    case Tool::kNone:
      return ERROR_FILE_NOT_FOUND;
  }
  if (result.error != ERROR_SUCCESS) return result.error;
  return result.exit_code == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

DWORD ClearDesktopText() {
  ProgramResult result;
  switch (ChooseTool()) {
    case Tool::kWayland:
      result = Run({"wl-copy", "--clear"}, std::string(), false);
      break;
    case Tool::kXclip:
      return WriteDesktopText(std::string());  // xclip cannot give the selection up
    case Tool::kXsel:
      result = Run({"xsel", "--clipboard", "--clear"}, std::string(), false);
      break;
    case Tool::kNone:
      return ERROR_FILE_NOT_FOUND;
  }
  if (result.error != ERROR_SUCCESS) return result.error;
  return result.exit_code == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace clipboard
}  // namespace platform
}  // namespace zb
