// Work on untrusted input with a library that is not safe against it (the compiled-help reader
// over chmlib): the work runs in a child process, so a crash or an endless loop there costs the
// caller an error result instead of the process.
#pragma once

#include <functional>
#include <string>

#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {

// Runs `job` in a forked copy of the process and hands back the bytes it returns (at most 256 MiB).
// ERROR_SUCCESS; ERROR_INVALID_DATA when the job crashed or ended without an answer;
// ERROR_TIMEOUT when it did not finish within `timeout_ms` (it is then killed); a system error
// code when no child could be made. The job sees a copy of the process as it was: it may allocate
// and read files, but must not use locks other threads may hold (logging, the library's own
// process-wide objects), and whatever it changes stays in the child.
DWORD RunIsolated(const std::function<std::string()>& job, DWORD timeout_ms, std::string* result);

}  // namespace platform
}  // namespace zb
