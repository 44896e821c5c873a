// Debugger output and debugger detection. On Windows, OutputDebugString hands text to an attached
// debugger and drops it otherwise. Here the destination is chosen by ZORBASE_DEBUG_OUTPUT (read at
// first use): "stderr" writes to standard error, any other non-empty value names a file that the
// text is appended to, and an unset or empty variable drops the text.
#pragma once

#include <cstddef>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// Sends wide text to the debugger output, as UTF-8. A null pointer sends nothing. Each call is one
// write(), so lines from several threads or processes sharing the destination never interleave.
ZORBASE_API void OutputDebugStringW(const wchar_t* text);

// Sends 8-bit text in the ANSI code page to the debugger output (converted to UTF-8).
ZORBASE_API void OutputDebugStringA(const char* text);

// Whether a debugger (any tracer, per /proc/self/status "TracerPid") is attached to the process.
ZORBASE_API BOOL IsDebuggerPresent();

#endif  // _WIN32

namespace zb {
namespace platform {

// Sends text that is already UTF-8 to the debugger output (the logging appender's path, which gets
// UTF-8 from log4cxx). Thread-safe.
void DebugOutputUtf8(const char* text, std::size_t length);

// Whether debugger output currently goes anywhere; false when it is dropped.
bool DebugOutputEnabled();

// Chooses the destination in code, with the meaning of ZORBASE_DEBUG_OUTPUT's values ("stderr", a
// path, or "" to drop). A null pointer returns to the environment variable (read again at the next
// output). Used by hosts and tests that capture the output; thread-safe.
ZORBASE_API void SetDebugOutputTarget(const char* target);

}  // namespace platform
}  // namespace zb
