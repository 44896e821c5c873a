// Standard error as a console: whether it is a terminal, its width, and unbuffered writes to it.
#pragma once

#include <cstddef>

#include <zorbase/platform/export.h>

namespace zb {
namespace platform {

// Whether standard error is a terminal.
ZORBASE_API bool StandardErrorIsTerminal();
// Columns of the terminal on standard error; 0 when it is not a terminal or does not say.
ZORBASE_API int StandardErrorColumns();
// Writes all `size` bytes to standard error (retrying after interruptions); errors are ignored.
ZORBASE_API void WriteStandardError(const char* data, std::size_t size);

}  // namespace platform
}  // namespace zb
