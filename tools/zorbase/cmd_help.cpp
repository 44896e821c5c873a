// `zorbase help FILE.chm [CONTEXT-ID | TOPIC]`: the context ids and topics of a compiled help
// file, or one of them shown through the library's HTML Help viewer as a host would call it.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/html_help.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "help FILE.chm [CONTEXT-ID | TOPIC]";
constexpr char kHelp[] =
    "Without a second argument, lists the context ids of FILE.chm with the topics they name\n"
    "(\"context 32768 /tip1.htm\"), then every topic and other stream of its content\n"
    "(\"topic /tip1.htm\") and its default topic (\"default /index.htm\").\n"
    "\n"
    "With a CONTEXT-ID (decimal or 0x-hexadecimal), shows that context's topic; with a TOPIC\n"
    "that is a page (.htm, .html), shows it. Topics are shown as the library's help viewer\n"
    "shows them: kchmviewer or xchm when installed, else extracted and opened with xdg-open.\n"
    "Any other TOPIC (a text stream such as tips.txt) is printed as it is stored.\n"
    "\n"
    "Exit code 1 when the file is missing, damaged or not a compiled help file, or has no such\n"
    "context id or topic, or nothing could show it.";

using HtmlHelpFunction = HWND (*)(HWND, LPCWSTR, UINT, DWORD_PTR);

const char* Describe(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "no such file";
    case ERROR_BAD_FORMAT:
      return "not a compiled help file";
    case ERROR_INVALID_DATA:
      return "the file is damaged";
    case ERROR_TIMEOUT:
      return "reading the file did not finish in time";
    case ERROR_NOT_FOUND:
      return "not in the file";
    case ERROR_NO_ASSOCIATION:
      return "the desktop found no program to show it";
    default:
      return "failed";
  }
}

int Fail(const std::string& what, DWORD error) {
  std::fprintf(stderr, "zorbase help: %s: %s (error %u)\n", what.c_str(), Describe(error),
               static_cast<unsigned>(error));
  return kExitFailure;
}

bool ParseContextId(const std::string& text, DWORD* id) {
  if (text.empty()) return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return false;
  for (char c : digits) {
    const bool ok = hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c >= '0' && c <= '9';
    if (!ok) return false;
  }
  const unsigned long long value = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  if (value > 0xFFFFFFFFull) return false;
  *id = static_cast<DWORD>(value);
  return true;
}

bool IsPage(const std::string& topic) {
  auto ends = [&](const std::string& tail) {
    if (topic.size() < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
      const char c = topic[topic.size() - tail.size() + i];
      if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != tail[i]) return false;
    }
    return true;
  };
  return ends(".htm") || ends(".html");
}

// The viewer's entry point, found as a host finds it: the module by name, HtmlHelpW by ordinal.
HtmlHelpFunction Viewer() {
  HMODULE module = LoadLibraryW(L"hhctrl.ocx");
  if (module == nullptr) return nullptr;
  FARPROC proc = GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(15)));
  return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void (*)()>(proc));
}

int List(const std::string& arg, const std::wstring& file) {
  zb::platform::HelpFileIndex index;
  const DWORD error = zb::platform::ReadHelpFileIndex(file.c_str(), &index);
  if (error != ERROR_SUCCESS) return Fail(arg, error);
  for (const auto& [id, topic] : index.contexts) {
    std::printf("context %u %s\n", static_cast<unsigned>(id), Narrow(topic).c_str());
  }
  for (const std::wstring& topic : index.topics) std::printf("topic %s\n", Narrow(topic).c_str());
  if (!index.default_topic.empty()) {
    std::printf("default %s\n", Narrow(index.default_topic).c_str());
  }
  return kExitOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) {
    return UsageError("help", "expected FILE.chm [CONTEXT-ID | TOPIC]");
  }
  const std::wstring file = ArgumentToWindowsPath(args[0]);
  if (args.size() == 1) return List(args[0], file);
  HtmlHelpFunction viewer = Viewer();
  if (viewer == nullptr) return Fail("hhctrl.ocx", GetLastError());
  DWORD id = 0;
  if (ParseContextId(args[1], &id)) {
    if (viewer(nullptr, file.c_str(), HH_HELP_CONTEXT, id) == nullptr) {
      return Fail(args[0] + ": context " + args[1], GetLastError());
    }
    return kExitOk;
  }
  const std::wstring topic = Widen(args[1]);
  if (IsPage(args[1])) {
    const std::wstring target = file + L"::/" + topic;
    if (viewer(nullptr, target.c_str(), HH_DISPLAY_TOPIC, 0) == nullptr) {
      return Fail(args[0] + ": " + args[1], GetLastError());
    }
    return kExitOk;
  }
  std::string bytes;
  const DWORD error = zb::platform::ReadHelpFileStream(file.c_str(), topic.c_str(), &bytes);
  if (error != ERROR_SUCCESS) return Fail(args[0] + ": " + args[1], error);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  return kExitOk;
}

const Command kCommand("help", kSynopsis, kHelp, &Run);

}  // namespace
}  // namespace tool
}  // namespace zb
