// HTML Help: the viewer's entry points as a Windows program calls them, and the help-request
// record of the framework. The library provides the viewer itself as the module "hhctrl.ocx"
// (LoadLibraryW finds it by name; HtmlHelpA is its ordinal 14, HtmlHelpW its ordinal 15), over
// compiled help files read with chmlib:
//
//   HH_HELP_CONTEXT    the context id `data` through the file's context-id map ("/#IVB" and
//                      "/#STRINGS"); null when the file has no such id.
//   HH_DISPLAY_TOPIC   (and HH_DISPLAY_TOC, _INDEX, _SEARCH) the topic named after "::" in the file
//                      name, or the wide text `data` points to, or the file's default topic.
//   HH_DISPLAY_TEXT_POPUP  `data` is an HH_POPUP: its text, or pop-up idString of the text file
//                      named after "::" in the file name ("app.chm::/Help.txt").
//
// A topic is shown with the user's viewer: kchmviewer when installed; for a context id xchm -c
// when installed; otherwise the topic is extracted with the pages and pictures it links to into a
// private folder (mode 0700, one per process and help file, left for the browser to read) and
// opened with xdg-open. Viewers are found on PATH and never waited for; xdg-open, which hands
// over and ends, is waited for at most 10 seconds. There is no window here, so text pop-ups go
// to the library's log at Info level.
//
// File names are Windows paths; ">window" after the name is accepted and ignored. A display call
// returns a non-null pseudo window handle (the viewer runs in its own process and takes no
// messages), or null when the file, the topic or the id is not there or no viewer could show it.
// Damaged or foreign files are read in an isolated child process: they give null, never a crash.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/platform/window_messages.h>

#ifdef _WIN32
#include <htmlhelp.h>
#else  // the declarations below come from the system headers on Windows

typedef DWORD COLORREF;

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
constexpr UINT HH_HELP_FINDER = 0x0000;
constexpr UINT HH_DISPLAY_TOC = 0x0001;
constexpr UINT HH_DISPLAY_INDEX = 0x0002;
constexpr UINT HH_DISPLAY_SEARCH = 0x0003;
constexpr UINT HH_DISPLAY_TEXT_POPUP = 0x000E;
constexpr UINT HH_HELP_CONTEXT = 0x000F;
constexpr UINT HH_CLOSE_ALL = 0x0012;
constexpr UINT HH_INITIALIZE = 0x001C;
constexpr UINT HH_UNINITIALIZE = 0x001D;

struct HH_POPUP {
  int cbStruct;
  HINSTANCE hinst;
  UINT idString;
  LPCWSTR pszText;
  POINT pt;
  COLORREF clrForeground;  // (COLORREF)-1: the default
  COLORREF clrBackground;
  RECT rcMargins;          // -1 each: the default
  LPCWSTR pszFont;
};

struct HH_POPUPA {
  int cbStruct;
  HINSTANCE hinst;
  UINT idString;
  LPCSTR pszText;
  POINT pt;
  COLORREF clrForeground;
  COLORREF clrBackground;
  RECT rcMargins;
  LPCSTR pszFont;
};

// The framework's help request for a control or menu item.
constexpr int HELPINFO_WINDOW = 0x0001;
constexpr int HELPINFO_MENUITEM = 0x0002;
struct HELPINFO {
  UINT cbSize;
  int iContextType;
  int iCtrlId;
  HANDLE hItemHandle;
  DWORD_PTR dwContextId;
  POINT MousePos;
};
typedef HELPINFO* LPHELPINFO;

ZORBASE_API HWND HtmlHelpW(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data);
// As HtmlHelpW, with file name and texts (the topic, HH_POPUPA's texts) in the ANSI code page.
ZORBASE_API HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

#endif  // _WIN32

namespace zb {
namespace platform {

// Makes the viewer loadable as "hhctrl.ocx". Called once at library load.
void RegisterHtmlHelpModule();

// Where text pop-ups go (the library's log); without one, to the debugger output. Returns the
// sink set before.
using HelpTextSink = void (*)(const wchar_t* text);
HelpTextSink SetHelpTextSink(HelpTextSink sink);

// What a compiled help file holds, for tools: its context ids with the topics they name (in the
// file's order), its pages and other content, and its default topic.
struct HelpFileIndex {
  std::vector<std::pair<DWORD, std::wstring>> contexts;
  std::vector<std::wstring> topics;
  std::wstring default_topic;
};
// ERROR_SUCCESS; ERROR_FILE_NOT_FOUND, ERROR_BAD_FORMAT (not a compiled help file),
// ERROR_INVALID_DATA (damaged), or a path error of the Windows path `file`.
ZORBASE_API DWORD ReadHelpFileIndex(const wchar_t* file, HelpFileIndex* index);
// The bytes of the stream `name` ("/Help.txt") of the help file; ERROR_NOT_FOUND when the file
// has no such stream, otherwise as ReadHelpFileIndex.
ZORBASE_API DWORD ReadHelpFileStream(const wchar_t* file, const wchar_t* name, std::string* bytes);

}  // namespace platform
}  // namespace zb
