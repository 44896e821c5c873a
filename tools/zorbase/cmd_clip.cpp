// `zorbase clip get|set [TEXT]`: the clipboard's text, read or replaced through the library's
// clipboard functions (the desktop's clipboard when there is a display).
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <zorbase/afx/CString.h>
#include <zorbase/desktop/ClipboardText.h>
#include <zorbase/platform/last_error.h>

#include "command.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "clip get|set [TEXT]";
constexpr char kHelp[] =
    "get: prints the clipboard's text (UTF-8, no newline added); exit code 1 when it holds no\n"
    "text or cannot be read.\n"
    "set TEXT: puts TEXT (UTF-8) on the clipboard as Unicode text; without TEXT, standard input\n"
    "is read instead. Exit code 1 when the clipboard did not take it.\n"
    "\n"
    "With WAYLAND_DISPLAY set the desktop's clipboard is reached through wl-copy and wl-paste,\n"
    "with DISPLAY set through xclip or xsel; each call gives up after\n"
    "ZORBASE_CLIPBOARD_TIMEOUT_MS milliseconds (default 5000). Without a display the clipboard is the process's own, so set\n"
    "and get then meet only within one run.";

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("clip", "expected get or set");
  if (args[0] == "get" && args.size() == 1) {
    CString text;
    if (!GetTextFromClipboard(text)) {
      std::fprintf(stderr, "zorbase clip: no text on the clipboard, or it cannot be read\n");
      return kExitFailure;
    }
    const std::string utf8 = Narrow(text.GetString());
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    return kExitOk;
  }
  if (args[0] == "set" && args.size() <= 2) {
    std::string utf8;
    if (args.size() == 2) {
      utf8 = args[1];
    } else {
      utf8.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    }
    if (!CopyStringToClipboard(Widen(utf8).c_str())) {
      std::fprintf(stderr, "zorbase clip: the clipboard did not take the text (error %u)\n",
                   static_cast<unsigned>(GetLastError()));
      return kExitFailure;
    }
    return kExitOk;
  }
  return UsageError("clip", "expected get, or set [TEXT]");
}

const Command kCommand("clip", kSynopsis, kHelp, &Run);

}  // namespace
}  // namespace tool
}  // namespace zb
