// `zorbase res strings MODULE`: the string table of a Windows PE file or of a native module built
// with zorbase_add_resources, one string a line with its id.
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/resources.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "res strings MODULE";
constexpr char kHelp[] =
    "strings MODULE   lists the string table of MODULE: a Windows PE file (.exe, .dll) or a native\n"
    "                 module whose resources were compiled in with zorbase_add_resources. One line\n"
    "                 per string: the id, a tab, the text (tab, CR and LF shown as \\t, \\r, \\n;\n"
    "                 a backslash as \\\\). Exit code 1 when MODULE cannot be read or has no\n"
    "                 string table.\n"
    "\n"
    "MODULE is a Windows path (C:\\Dir\\File.dll) or a native path.";

std::string Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'\t': out += L"\\t"; break;
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      default: out += c;
    }
  }
  return Narrow(out);
}

int ListStrings(const std::string& arg) {
  const std::wstring path = ArgumentToWindowsPath(arg);
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    std::fprintf(stderr, "zorbase: cannot read %s as a module (error %u)\n", arg.c_str(),
                 static_cast<unsigned>(GetLastError()));
    return kExitFailure;
  }
  std::vector<WORD> blocks;
  EnumResourceNamesW(module, RT_STRING,
                     [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
                       if (IS_INTRESOURCE(name)) {
                         reinterpret_cast<std::vector<WORD>*>(param)->push_back(
                             static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
                       }
                       return TRUE;
                     },
                     reinterpret_cast<LONG_PTR>(&blocks));
  if (blocks.empty()) {
    std::fprintf(stderr, "zorbase: %s has no string table\n", arg.c_str());
    FreeLibrary(module);
    return kExitFailure;
  }
  for (WORD block : blocks) {
    if (block == 0) continue;
    for (UINT i = 0; i < 16; ++i) {
      const UINT id = (static_cast<UINT>(block) - 1) * 16 + i;
      const wchar_t* text = nullptr;
      const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
      if (length <= 0) continue;
      std::printf("%u\t%s\n", id, Escaped(std::wstring(text, static_cast<std::size_t>(length))).c_str());
    }
  }
  FreeLibrary(module);
  return kExitOk;
}

int RunRes(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("res", "missing subcommand");
  if (args[0] == "strings") {
    if (args.size() != 2) return UsageError("res", "expected: res strings MODULE");
    return ListStrings(args[1]);
  }
  return UsageError("res", "unknown subcommand '" + args[0] + "'");
}

const Command kResCommand("res", kSynopsis, kHelp, RunRes);

}  // namespace
}  // namespace tool
}  // namespace zb
