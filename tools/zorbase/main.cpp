// zorbase: the library's command-line tool. `zorbase --help` lists the subcommands.
#include "command.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace zb {
namespace tool {
namespace {

struct Entry {
  const char* synopsis;
  const char* help;
  CommandFunction run;
};

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> commands;
  return commands;
}

void PrintOverview(std::FILE* out) {
  std::fprintf(out, "usage: zorbase COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, entry] : Registry()) std::fprintf(out, "  %s\n", entry.synopsis);
  std::fprintf(out, "\n`zorbase COMMAND --help` describes a command.\n");
}

}  // namespace

Command::Command(const char* name, const char* synopsis, const char* help, CommandFunction run) {
  Registry()[name] = Entry{synopsis, help, run};
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "zorbase: %s\n", message.c_str());
  auto it = Registry().find(command);
  if (it != Registry().end()) std::fprintf(stderr, "usage: zorbase %s\n", it->second.synopsis);
  return kExitUsage;
}

std::wstring Widen(const std::string& utf8) {
  std::wstring out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= utf8.size() + (extra == 0 ? 1 : 0)) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    out += ok ? static_cast<wchar_t>(cp) : L'\xFFFD';
    i += ok ? extra + 1 : 1;
  }
  return out;
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (wchar_t w : wide) {
    std::uint32_t cp = static_cast<std::uint32_t>(w);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace tool
}  // namespace zb

int main(int argc, char** argv) {
  using namespace zb::tool;
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintOverview(argc < 2 ? stderr : stdout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  auto it = Registry().find(argv[1]);
  if (it == Registry().end()) {
    std::fprintf(stderr, "zorbase: unknown command '%s'\n", argv[1]);
    PrintOverview(stderr);
    return kExitUsage;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::printf("usage: zorbase %s\n\n%s\n", it->second.synopsis, it->second.help);
      return kExitOk;
    }
  }
  return it->second.run(args);
}
