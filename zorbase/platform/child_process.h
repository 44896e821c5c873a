// Running the desktop's helper programs (clipboard tools, help viewers, the desktop's opener):
// found by name on PATH, started without a shell, never waited for longer than the caller allows.
//
// A child gets its own process group, only the standard descriptors (everything else the process
// has open stays out of it, so a helper that lingers in the background holds no file, lock or
// socket of ours), and standard input and output as the caller asks. Writing to a child that
// stops reading never raises SIGPIPE in the process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// The native path of the executable `name` in the directories of PATH (an empty entry is the
// current directory), or empty when there is none. A name with a slash is checked as it stands.
ZORBASE_API std::string FindProgram(const std::string& name);

struct ProgramRun {
  // The program and its arguments; argv[0] is looked up with FindProgram.
  std::vector<std::string> argv;
  // Bytes written to the child's standard input, which is closed afterwards.
  std::string input;
  // Whether to collect standard output; otherwise it goes to /dev/null (as standard error always
  // does), so that a helper that forks into the background never holds a pipe of ours open.
  bool capture_output = false;
  // Most bytes of output kept; the child is stopped once it writes more.
  std::size_t output_limit = 64u << 20;
  // Milliseconds to wait for the program to end; 0 waits forever.
  DWORD timeout_ms = 5000;
};

struct ProgramResult {
  // ERROR_SUCCESS when the program ran and ended by itself (whatever its exit code);
  // ERROR_FILE_NOT_FOUND when it is not on PATH or cannot be executed; ERROR_TIMEOUT when it did
  // not end in time (it and its process group are then killed); ERROR_BUFFER_OVERFLOW when its
  // output passed the limit; another system error code when it could not be started.
  DWORD error = 0;
  // The exit code (128 + signal number for a program ended by a signal); -1 when it did not end.
  int exit_code = -1;
  std::string output;
};

// Runs `run` and waits for the program itself to end (not for helpers it leaves behind). The
// output read once the program has ended is what it wrote before ending.
ZORBASE_API ProgramResult RunProgram(const ProgramRun& run);

// Starts `argv` without waiting for it: for viewers that stay open as long as the user likes.
// The child is not left as a zombie. ERROR_SUCCESS once it has started (its exec succeeded),
// ERROR_FILE_NOT_FOUND when the program is not on PATH or cannot be executed.
ZORBASE_API DWORD StartProgram(const std::vector<std::string>& argv);

}  // namespace platform
}  // namespace zb
