#include <zorbase/desktop/CHtmlHelpWrapper.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/afx/CWinApp.h>
#include <zorbase/desktop/internal/help_log.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/registry.h>
#include <zorbase/platform/resources.h>

namespace {

// Kinds of help ids, as announced.
enum HelpKind { kMenuItem, kDialog, kPrompt, kContextHtml, kControl, kContextText };

const wchar_t* KindName(int kind) {
  static const wchar_t* const kNames[] = {L"Normal menuitem", L"Normal dialog", L"Normal prompt",
                                          L"Context HTML",    L"Normal control", L"Context Text"};
  return kind >= 0 && kind <= kContextText ? kNames[kind] : L"";
}

constexpr unsigned long long kCommandBase = 0x10000;
constexpr unsigned long long kDialogBase = 0x20000;
constexpr unsigned long long kPromptBase = 0x30000;
constexpr unsigned long long kNonClientBase = 0x40000;
constexpr unsigned long long kControlBase = 0x50000;

constexpr DWORD kFirstTip = 32768;

HelpKind KindOf(unsigned long long id) {
  if (id < kDialogBase) return kMenuItem;
  if (id < kPromptBase) return kDialog;
  if (id < kNonClientBase) return kPrompt;
  if (id < kControlBase) return kContextHtml;
  return kControl;
}

unsigned long long BaseOf(HelpKind kind) {
  switch (kind) {
    case kMenuItem:
      return kCommandBase;
    case kDialog:
      return kDialogBase;
    case kPrompt:
      return kPromptBase;
    default:
      return 0;
  }
}

using HtmlHelpFunction = HWND (*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The viewer's module: from the class registration when it names one that loads, else by name.
HMODULE LoadViewer() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT,
                    L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32", 0,
                    KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD type = 0;
    DWORD size = 0;
    std::vector<BYTE> data;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 2) {
      data.resize(size);
      if (RegQueryValueExW(key, nullptr, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        data.clear();
      }
    }
    RegCloseKey(key);
    if (!data.empty()) {
      std::wstring path = zb::platform::Utf16LeToWide(data.data(), data.size());
      path.resize(std::min(path.size(), path.find(L'\0')));
      HMODULE module = path.empty() ? nullptr : LoadLibraryW(path.c_str());
      if (module != nullptr) return module;
    }
  }
  return LoadLibraryW(L"hhctrl.ocx");
}

// HtmlHelpW of the viewer (ordinal 15), loaded once; null when there is no viewer.
HtmlHelpFunction Viewer() {
  static std::mutex mutex;
  static HtmlHelpFunction function = nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  if (function == nullptr) {
    HMODULE module = LoadViewer();
    if (module != nullptr) {
      FARPROC proc = GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(15)));
      if (proc == nullptr) {
        FreeLibrary(module);
      } else {
        function = reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void (*)()>(proc));
      }
    }
  }
  return function;
}

HWND CallViewer(const std::wstring& file, UINT command, DWORD_PTR data) {
  HtmlHelpFunction function = Viewer();
  return function != nullptr ? function(nullptr, file.c_str(), command, data) : nullptr;
}

std::wstring HelpFile() {
  LPCTSTR path = AfxGetApp()->m_pszHelpFilePath;
  return path != nullptr ? path : L"";
}

// `name` in the folder of the help file.
std::wstring BesideHelpFile(const wchar_t* name) {
  const std::wstring help = HelpFile();
  const std::size_t slash = help.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : help.substr(0, slash + 1)) + name;
}

}  // namespace

CHtmlHelpWrapper::CHtmlHelpWrapper(bool subtract) : subtractHids(subtract) {}

CHtmlHelpWrapper::CHtmlHelpWrapper(const CHtmlHelpWrapper& other) = default;

CHtmlHelpWrapper& CHtmlHelpWrapper::operator=(const CHtmlHelpWrapper& other) = default;

CHtmlHelpWrapper::~CHtmlHelpWrapper() = default;

CHtmlHelpWrapper* CHtmlHelpWrapper::Instance() { return &mg_htmlhelpwrapper; }

void CHtmlHelpWrapper::SetSubtractHids(bool subtract) { subtractHids = subtract; }

bool CHtmlHelpWrapper::GetSubtractHids() const { return subtractHids; }

void CHtmlHelpWrapper::SetHelperRegistryPaths(const wchar_t* p1, const wchar_t* p2,
                                              const wchar_t* p3) {
  if (p1 != nullptr) helperPath1 = p1;
  if (p2 != nullptr) helperPath2 = p2;
  if (p3 != nullptr) helperPath3 = p3;
}

void CHtmlHelpWrapper::AddToTextOnly(const int& controlId) { textOnlyIds.push_back(controlId); }

bool CHtmlHelpWrapper::IsTextOnlyHelp(const int& controlId) {
  return std::find(textOnlyIds.begin(), textOnlyIds.end(), controlId) != textOnlyIds.end();
}

int CHtmlHelpWrapper::ShowHelp(unsigned long long data, unsigned int command) {
  if (command != HH_HELP_CONTEXT) {
    CallViewer(HelpFile(), HH_DISPLAY_TOPIC, static_cast<DWORD_PTR>(data));
    return 1;
  }
  const HelpKind kind = KindOf(data);
  if (kind == kContextHtml) return 0;
  unsigned long long id = data;
  const unsigned long long base = BaseOf(kind);
  if (subtractHids && id >= base) id -= base;
  CallViewer(HelpFile(), HH_HELP_CONTEXT, static_cast<DWORD_PTR>(id));
  _ShowID(kind, static_cast<long long>(id));
  return 1;
}

int CHtmlHelpWrapper::ShowHelp(HELPINFO* info) {
  if (info == nullptr) return 0;
  if (IsTextOnlyHelp(info->iCtrlId)) {
    if (info->iCtrlId == 0xFFFF) return 1;
    HH_POPUP popup = {};
    popup.cbStruct = sizeof popup;
    popup.idString = static_cast<UINT>(info->dwContextId);
    popup.pt = info->MousePos;
    popup.clrForeground = static_cast<COLORREF>(-1);
    popup.clrBackground = 0xD0FFFF;
    popup.rcMargins = {-1, -1, -1, -1};
    CallViewer(HelpFile() + L"::\\Help.txt", HH_DISPLAY_TEXT_POPUP,
               reinterpret_cast<DWORD_PTR>(&popup));
    _ShowID(kContextText, static_cast<long long>(info->dwContextId));
    return 1;
  }
  CallViewer(HelpFile(), HH_HELP_CONTEXT, info->dwContextId);
  _ShowID(KindOf(info->dwContextId), static_cast<long long>(info->dwContextId));
  return 1;
}

int CHtmlHelpWrapper::ShowTopic(const wchar_t* topic, const wchar_t* window) {
  std::wstring file = HelpFile() + L"::/" + (topic != nullptr ? topic : L"");
  if (window != nullptr && *window != 0) file += std::wstring(L">") + window;
  CallViewer(file, HH_DISPLAY_TOPIC, 0);
  return 1;
}

void CHtmlHelpWrapper::ShowTutorial() {
  CallViewer(BesideHelpFile(L"tutorial.chm"), HH_DISPLAY_TOPIC, 0);
}

void CHtmlHelpWrapper::ShowGettingStarted() {
  const std::wstring file = BesideHelpFile(L"GettingStarted.chm");
  CWinApp* app = AfxGetApp();
  const DWORD current = app->GetProfileIntW(L"Tip", L"current", static_cast<int>(kFirstTip));
  if (CallViewer(file, HH_HELP_CONTEXT, current) != nullptr) {
    app->WriteProfileIntW(L"Tip", L"current", static_cast<int>(current + 1));
    return;
  }
  const bool first_shown = CallViewer(file, HH_HELP_CONTEXT, kFirstTip) != nullptr;
  app->WriteProfileIntW(L"Tip", L"current", static_cast<int>(first_shown ? kFirstTip + 1
                                                                         : kFirstTip));
}

bool CHtmlHelpWrapper::ShowGettingStartedAtStartup() {
  return AfxGetApp()->GetProfileIntW(L"Tip", L"StartUp", 1) == 1;
}

void CHtmlHelpWrapper::SetShowGettingStartedAtStartup(const bool& show) {
  AfxGetApp()->WriteProfileIntW(L"Tip", L"StartUp", show ? 1 : 0);
}

void CHtmlHelpWrapper::_ShowID(const int& kind, const long long& id) {
  CWinApp* app = AfxGetApp();
  LPCTSTR* members[] = {&app->m_pszRegistryKey, &app->m_pszProfileName, &app->m_pszHelpFilePath};
  const CString* helpers[] = {&helperPath1, &helperPath2, &helperPath3};
  LPCTSTR saved[3];
  for (int i = 0; i < 3; ++i) {
    saved[i] = *members[i];
    if (!helpers[i]->IsEmpty()) *members[i] = helpers[i]->GetString();
  }
  const UINT show = app->GetProfileIntW(L"Tip", L"showid", 0);
  for (int i = 0; i < 3; ++i) *members[i] = saved[i];
  if (show == 0) return;
  CString text;
  text.Format(L"%s: 0x%X", KindName(kind), static_cast<unsigned>(id));
  zb::desktop_internal::LogHelpText(text);
}
