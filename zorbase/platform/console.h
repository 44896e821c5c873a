// What a console program needs of its process: standard error as a console (whether it is a
// terminal, its width, unbuffered writes to it), standard input as bytes, and its arguments as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/export.h>

namespace zb {
namespace platform {

// Whether standard error is a terminal.
ZORBASE_API bool StandardErrorIsTerminal();
// Columns of the terminal on standard error; 0 when it is not a terminal or does not say.
ZORBASE_API int StandardErrorColumns();
// Writes all `size` bytes to standard error (retrying after interruptions); errors are ignored.
ZORBASE_API void WriteStandardError(const char* data, std::size_t size);
// Makes standard input deliver its bytes unchanged (Windows reads it as text otherwise, turning
// CR LF into LF and ending at Ctrl+Z); nothing to do where input is always bytes.
ZORBASE_API void SetStandardInputBinary();
// The program's arguments in UTF-8, `argv[0]` first. On Windows `argv` holds them in the ANSI code
// page, which cannot name every file, so they are read again from the wide command line; elsewhere
// they are `argv` as given.
ZORBASE_API std::vector<std::string> CommandLineUtf8(int argc, char** argv);

}  // namespace platform
}  // namespace zb
