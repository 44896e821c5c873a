// The native path of a Windows path, for handing a log file to log4cxx.
#pragma once

#include <string>

namespace zb {
namespace logging_internal {

// The UTF-8 native path for `path` (a Windows path such as "Z:\tmp\app.log" or a native one).
std::string NativeLogPath(const std::wstring& path);

}  // namespace logging_internal
}  // namespace zb
