// The `zorbase` tool's documentation from one source: the registered commands (their synopsis and
// help text) and the tables in manual.cpp (exit status, environment, files) feed `zorbase --help`,
// the manual page zorbase(1) and the bash completion, so none of them can drift from the others.
#pragma once

#include <cstdio>

namespace zb {
namespace tool {

// `zorbase --help`: usage, every command's synopsis, the exit status and the environment.
void PrintOverview(std::FILE* out);

// The manual page zorbase(1) in roff (man macros); the build writes it with `--manual-page`.
void PrintManualPage(std::FILE* out);

// A bash completion script for the commands, their sub-commands and their options; the build
// writes it with `--bash-completion`.
void PrintBashCompletion(std::FILE* out);

}  // namespace tool
}  // namespace zb
