// zorbase: the library's command-line tool. `zorbase --help` lists the subcommands.
#include "command.h"
#include "manual.h"

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/console.h>
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

std::map<std::string, CommandEntry>& Registry() {
  static std::map<std::string, CommandEntry> commands;
  return commands;
}

}  // namespace

Command::Command(const char* name, const char* synopsis, const char* help, CommandFunction run) {
  Registry()[name] = CommandEntry{synopsis, help, run};
}

const std::map<std::string, CommandEntry>& Commands() { return Registry(); }

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
  // Hidden: the build writes the manual page and the completion script from these.
  if (argc == 2 && std::strcmp(argv[1], "--manual-page") == 0) {
    PrintManualPage(stdout);
    return kExitOk;
  }
  if (argc == 2 && std::strcmp(argv[1], "--bash-completion") == 0) {
    PrintBashCompletion(stdout);
    return kExitOk;
  }
  auto it = Registry().find(argv[1]);
  if (it == Registry().end()) {
    std::fprintf(stderr, "zorbase: unknown command '%s'\n", argv[1]);
    PrintOverview(stderr);
    return kExitUsage;
  }
  // The arguments in UTF-8 whatever the system hands main (on Windows, the ANSI code page).
  std::vector<std::string> args = zb::platform::CommandLineUtf8(argc, argv);
  args.erase(args.begin(), args.begin() + (args.size() < 2 ? args.size() : 2));
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::printf("usage: zorbase %s\n\n%s\n", it->second.synopsis, it->second.help);
      return kExitOk;
    }
  }
  return it->second.run(args);
}
