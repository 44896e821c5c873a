// On Windows hosts load the system's messaging library (mapi32.dll) and help viewer (hhctrl.ocx)
// themselves: the library registers no built-in modules, and the viewer shows its own pop-ups.
// Compiled help files are read by the viewer only; the library's reader of them is Linux-only.
#include <zorbase/platform/html_help.h>
#include <zorbase/platform/portable/mapi_internal.h>

#include <atomic>

namespace zb {
namespace platform {
namespace {

std::atomic<HelpTextSink> g_help_text_sink{nullptr};

}  // namespace

void RegisterHtmlHelpModule() {}

HelpTextSink SetHelpTextSink(HelpTextSink sink) { return g_help_text_sink.exchange(sink); }

void RegisterMessagingModule() {}

DWORD ReadHelpFileIndex(const wchar_t*, HelpFileIndex*) { return ERROR_NOT_SUPPORTED; }

DWORD ReadHelpFileStream(const wchar_t*, const wchar_t*, std::string*) {
  return ERROR_NOT_SUPPORTED;
}

}  // namespace platform
}  // namespace zb
