// zorbase: the library's command-line tool. `zorbase --help` lists the subcommands.
#include "command.h"

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/path_mapping.h>

#include <cstdio>
#include <system_error>
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

std::wstring Widen(const std::string& utf8) { return zb::platform::Utf8ToWide(utf8); }

std::string Narrow(const std::wstring& wide) { return zb::platform::WideToUtf8(wide); }

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
