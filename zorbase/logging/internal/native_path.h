// The native path of a Windows path, for handing a log file to log4cxx.
#pragma once

#include <string>

namespace zb {
namespace logging_internal {

// The native path for `path` (a Windows path such as "Z:\tmp\app.log", or a rooted path on the
// current drive), resolved by the platform's path mapping; "" when it names no valid path.
std::string NativeLogPath(const std::wstring& path);

}  // namespace logging_internal
}  // namespace zb
