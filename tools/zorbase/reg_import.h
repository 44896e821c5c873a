// `zorbase reg import`: a .reg file read line by line, as the Windows reg tool reads it.
#pragma once

#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace tool {

// Imports the .reg file named by the command-line argument `arg`. A line Windows skips (a bad
// number, a bad hex byte, an unknown escape, a value before any key, ...) is skipped, the rest is
// imported, and each skipped line is named on standard error as "ARG:LINE: reason". With
// `strict` the whole file is read first and nothing changes when any line is bad. Returns the
// exit code: 0 when the file was accepted (skipped lines included), 1 when it was refused (with
// `strict`, when any line is bad) or a change could not be written.
int ImportRegFile(const std::string& arg, bool strict);

// The reg tool's text for a failed registry call, e.g. "Access is denied.".
std::string RegistryErrorText(LONG status);

}  // namespace tool
}  // namespace zb
