#include <zorbase/logging/internal/native_path.h>

#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace logging_internal {

std::string NativeLogPath(const std::wstring& path) {
  zb::platform::ResolvedPath resolved;
  if (zb::platform::ResolveWindowsPath(path.c_str(), &resolved) != 0) return std::string();
  return resolved.native;
}

}  // namespace logging_internal
}  // namespace zb
