// The library's HTML Help viewer, "hhctrl.ocx": help commands resolved in the compiled help file
// and handed to the desktop (help_display.h).
#include <zorbase/platform/html_help.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/debug_output.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/portable/builtin_modules.h>
#include <zorbase/platform/portable/chm_archive.h>
#include <zorbase/platform/portable/chm_streams.h>
#include <zorbase/platform/portable/help_display.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

std::atomic<HelpTextSink> g_sink{nullptr};
char g_viewer_window;  // its address is the pseudo window handle of the viewer

HWND ViewerWindow() { return reinterpret_cast<HWND>(&g_viewer_window); }

HWND Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// A help file name: "C:\help\app.chm::/Help.txt>main" is the file, the stream "/Help.txt" and the
// window "main" (which is ignored).
struct HelpFileParts {
  std::wstring file;
  std::string stream;
};

HelpFileParts Split(LPCWSTR text) {
  HelpFileParts parts;
  std::wstring all = text != nullptr ? text : L"";
  const std::size_t separator = all.find(L"::");
  std::wstring stream;
  if (separator != std::wstring::npos) {
    stream = all.substr(separator + 2);
    all.resize(separator);
  }
  std::wstring& last = separator != std::wstring::npos ? stream : all;
  const std::size_t window = last.rfind(L'>');
  if (window != std::wstring::npos) last.resize(window);
  while (!all.empty() && all.back() == L' ') all.pop_back();
  parts.file = all;
  if (!stream.empty()) parts.stream = chm::NormalizeName(WideToUtf8(stream));
  return parts;
}

DWORD NativeOf(const std::wstring& file, std::string* native) {
  if (file.empty()) return ERROR_INVALID_PARAMETER;
  ResolvedPath resolved;
  const DWORD error = ResolveWindowsPath(file.c_str(), &resolved);
  if (error != ERROR_SUCCESS) return error;
  if (!resolved.exists) {
    return resolved.parent_missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
  }
  *native = resolved.native;
  return ERROR_SUCCESS;
}

DWORD Read(const std::wstring& file, const chm::ReadRequest& request, std::string* native,
           chm::Archive* archive) {
  const DWORD error = NativeOf(file, native);
  if (error != ERROR_SUCCESS) return error;
  return chm::ReadArchive(*native, request, archive);
}

std::string DefaultTopic(const chm::Archive& archive) {
  auto it = archive.objects.find("/#SYSTEM");
  const std::string named = it != archive.objects.end() ? chm::ParseDefaultTopic(it->second)
                                                        : std::string();
  std::string found = chm::FindObject(archive.names, named);
  for (const char* fallback : {"/index.htm", "/index.html", "/default.htm", "/default.html"}) {
    if (!found.empty()) break;
    found = chm::FindObject(archive.names, fallback);
  }
  return found;
}

// Shows the object `topic`: with a CHM viewer, else extracted and opened.
HWND ShowObject(const std::string& native, const std::string& topic, DWORD context_id) {
  if (help::StartChmViewer(native, topic, context_id) == ERROR_SUCCESS) return ViewerWindow();
  chm::ReadRequest request;
  request.follow = {topic};
  chm::Archive files;
  const DWORD error = chm::ReadArchive(native, request, &files);
  if (error != ERROR_SUCCESS) return Fail(error);
  if (files.objects.count(topic) == 0) return Fail(ERROR_NOT_FOUND);
  const DWORD shown = help::OpenExtracted(native, files.objects, topic);
  return shown == ERROR_SUCCESS ? ViewerWindow() : Fail(shown);
}

// The topic of `id` in the context-id map, as an object of the file; empty when there is none.
std::string TopicOfContext(const chm::Archive& archive, DWORD id) {
  auto ivb = archive.objects.find("/#IVB");
  auto strings = archive.objects.find("/#STRINGS");
  if (ivb == archive.objects.end() || strings == archive.objects.end()) return std::string();
  for (const chm::ContextEntry& entry : chm::ParseContextMap(ivb->second, strings->second)) {
    if (entry.id == id) return chm::FindObject(archive.names, entry.topic);
  }
  return std::string();
}

HWND DisplayContext(LPCWSTR file, DWORD id) {
  const HelpFileParts parts = Split(file);
  chm::ReadRequest request;
  request.list = true;
  request.objects = {"/#IVB", "/#STRINGS"};
  std::string native;
  chm::Archive archive;
  const DWORD error = Read(parts.file, request, &native, &archive);
  if (error != ERROR_SUCCESS) return Fail(error);
  const std::string topic = TopicOfContext(archive, id);
  if (topic.empty()) return Fail(ERROR_NOT_FOUND);
  return ShowObject(native, topic, id);
}

HWND DisplayTopic(LPCWSTR file, const std::wstring& named) {
  const HelpFileParts parts = Split(file);
  chm::ReadRequest request;
  request.list = true;
  request.objects = {"/#SYSTEM"};
  std::string native;
  chm::Archive archive;
  const DWORD error = Read(parts.file, request, &native, &archive);
  if (error != ERROR_SUCCESS) return Fail(error);
  std::string wanted = parts.stream;
  if (!named.empty()) wanted = chm::NormalizeName(WideToUtf8(named));
  const std::string topic = wanted.empty() ? DefaultTopic(archive)
                                           : chm::FindObject(archive.names, wanted);
  if (topic.empty()) return Fail(ERROR_NOT_FOUND);
  return ShowObject(native, topic, 0);
}

void Emit(const std::wstring& text) {
  HelpTextSink sink = g_sink.load();
  if (sink != nullptr) {
    sink(text.c_str());
  } else {
    OutputDebugStringW((text + L"\n").c_str());
  }
}

HWND TextPopup(LPCWSTR file, const HH_POPUP* popup) {
  if (popup == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::wstring text;
  const HelpFileParts parts = Split(file);
  if (popup->idString != 0 && !parts.stream.empty()) {
    std::string bytes;
    const DWORD error = ReadHelpFileStream(parts.file.c_str(), Utf8ToWide(parts.stream).c_str(),
                                           &bytes);
    if (error != ERROR_SUCCESS) return Fail(error);
    for (const chm::TextPopup& entry : chm::ParseTextPopups(bytes)) {
      if (entry.id == popup->idString) {
        text = entry.text;
        break;
      }
    }
  } else if (reinterpret_cast<std::uintptr_t>(popup->pszText) >= 0x10000) {
    text = popup->pszText;
  }
  if (text.empty()) return Fail(ERROR_NOT_FOUND);
  Emit(text);
  return ViewerWindow();
}

// A topic pointer from `data`: values below 0x10000 are never addresses (there is no topic).
std::wstring TopicArgument(DWORD_PTR data) {
  if (data < 0x10000) return std::wstring();
  return reinterpret_cast<LPCWSTR>(data);
}

// Through void (*)(), the generic function pointer type, as GetProcAddress hands them out.
template <class F>
FARPROC Export(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const BuiltinExport kExports[] = {
    {"HtmlHelpA", Export(&HtmlHelpA), 14},
    {"HtmlHelpW", Export(&HtmlHelpW), 15},
};
const BuiltinModule kModule = {L"hhctrl.ocx", kExports, 2};

}  // namespace

void RegisterHtmlHelpModule() { RegisterBuiltinModule(&kModule); }

HelpTextSink SetHelpTextSink(HelpTextSink sink) { return g_sink.exchange(sink); }

DWORD ReadHelpFileIndex(const wchar_t* file, HelpFileIndex* index) {
  *index = HelpFileIndex();
  chm::ReadRequest request;
  request.list = true;
  request.objects = {"/#IVB", "/#STRINGS", "/#SYSTEM"};
  std::string native;
  chm::Archive archive;
  const DWORD error = Read(file != nullptr ? file : L"", request, &native, &archive);
  if (error != ERROR_SUCCESS) return error;
  auto ivb = archive.objects.find("/#IVB");
  auto strings = archive.objects.find("/#STRINGS");
  if (ivb != archive.objects.end() && strings != archive.objects.end()) {
    for (const chm::ContextEntry& entry : chm::ParseContextMap(ivb->second, strings->second)) {
      const std::string object = chm::FindObject(archive.names, entry.topic);
      index->contexts.emplace_back(entry.id, Utf8ToWide(object.empty() ? entry.topic : object));
    }
  }
  for (const std::string& name : archive.names) {
    if (chm::IsContentName(name)) index->topics.push_back(Utf8ToWide(name));
  }
  index->default_topic = Utf8ToWide(DefaultTopic(archive));
  return ERROR_SUCCESS;
}

DWORD ReadHelpFileStream(const wchar_t* file, const wchar_t* name, std::string* bytes) {
  bytes->clear();
  const std::string object = chm::NormalizeName(WideToUtf8(name != nullptr ? name : L""));
  if (object.empty()) return ERROR_INVALID_PARAMETER;
  chm::ReadRequest request;
  request.list = true;
  request.objects = {object};
  std::string native;
  chm::Archive archive;
  const DWORD error = Read(file != nullptr ? file : L"", request, &native, &archive);
  if (error != ERROR_SUCCESS) return error;
  auto it = archive.objects.find(object);
  if (it == archive.objects.end()) {
    // Object names ignore case; ask again for the name as stored.
    const std::string stored = chm::FindObject(archive.names, object);
    if (stored.empty() || stored == object) return ERROR_NOT_FOUND;
    return ReadHelpFileStream(file, Utf8ToWide(stored).c_str(), bytes);
  }
  *bytes = std::move(it->second);
  return ERROR_SUCCESS;
}

}  // namespace platform
}  // namespace zb

HWND HtmlHelpW(HWND, LPCWSTR file, UINT command, DWORD_PTR data) {
  using namespace zb::platform;
  switch (command) {
    case HH_HELP_CONTEXT:
      if (data > 0xFFFFFFFFu) return Fail(ERROR_INVALID_PARAMETER);
      return DisplayContext(file, static_cast<DWORD>(data));
    case HH_DISPLAY_TOPIC:
      return DisplayTopic(file, TopicArgument(data));
    case HH_DISPLAY_TOC:
    case HH_DISPLAY_INDEX:
    case HH_DISPLAY_SEARCH:
      return DisplayTopic(file, std::wstring());
    case HH_DISPLAY_TEXT_POPUP:
      return TextPopup(file, data < 0x10000 ? nullptr : reinterpret_cast<const HH_POPUP*>(data));
    case HH_INITIALIZE:
      if (data >= 0x10000) *reinterpret_cast<DWORD*>(data) = 1;  // the cookie
      return nullptr;
    case HH_CLOSE_ALL:
    case HH_UNINITIALIZE:
      return nullptr;
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
}

HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
  using namespace zb::platform;
  const std::wstring wide_file = file != nullptr ? MultiToWide(file) : std::wstring();
  LPCWSTR file_w = file != nullptr ? wide_file.c_str() : nullptr;
  if (command == HH_DISPLAY_TOPIC && data >= 0x10000) {
    const std::wstring topic = MultiToWide(reinterpret_cast<LPCSTR>(data));
    return HtmlHelpW(caller, file_w, command, reinterpret_cast<DWORD_PTR>(topic.c_str()));
  }
  if (command == HH_DISPLAY_TEXT_POPUP && data >= 0x10000) {
    const auto* narrow = reinterpret_cast<const HH_POPUPA*>(data);
    const bool has_text = reinterpret_cast<std::uintptr_t>(narrow->pszText) >= 0x10000;
    const std::wstring text = has_text ? MultiToWide(narrow->pszText) : std::wstring();
    HH_POPUP popup = {static_cast<int>(sizeof(HH_POPUP)), narrow->hinst, narrow->idString,
                      has_text ? text.c_str() : nullptr, narrow->pt, narrow->clrForeground,
                      narrow->clrBackground, narrow->rcMargins, nullptr};
    return HtmlHelpW(caller, file_w, command, reinterpret_cast<DWORD_PTR>(&popup));
  }
  return HtmlHelpW(caller, file_w, command, data);
}
