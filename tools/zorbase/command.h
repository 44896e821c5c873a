// The `zorbase` tool's subcommands. Each subcommand lives in its own file and registers itself with
// a static Command object, so adding one touches no other file: its synopsis and help text appear
// in `zorbase --help`, the manual page and the bash completion by themselves.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zb {
namespace tool {

// Exit codes: 0 success, 1 the operation failed, 2 usage error.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

using CommandFunction = int (*)(const std::vector<std::string>& args);

struct Command {
  // Registers `name` with its one-line `synopsis` and its `help` text (shown by `zorbase NAME --help`).
  // The synopsis starts with the name; alternatives are separated by " | " (or by '|' inside one
  // word: "tag dump|verify|convert FILE"), placeholders are upper case, options are written as
  // the user types them. The help text is plain text of at most 100 columns; lines that start
  // with a space or hold a run of two spaces are kept as they stand (tables), others are prose.
  Command(const char* name, const char* synopsis, const char* help, CommandFunction run);
};

struct CommandEntry {
  const char* synopsis;
  const char* help;
  CommandFunction run;
};

// Every registered command by name, complete once main() runs.
const std::map<std::string, CommandEntry>& Commands();

// Prints "zorbase: message" and the command's usage to standard error; returns kExitUsage.
int UsageError(const std::string& command, const std::string& message);

// Converts a UTF-8 command-line argument to wide text, and wide text to UTF-8 for printing.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace tool
}  // namespace zb
