#include "tool_paths.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <zorbase/platform/file_details.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>

#include "command.h"

namespace zb {
namespace tool {

std::wstring ArgumentToWindowsPath(const std::string& arg) {
  const bool drive = arg.size() >= 2 && arg[1] == ':' &&
                     ((arg[0] >= 'A' && arg[0] <= 'Z') || (arg[0] >= 'a' && arg[0] <= 'z'));
  if (drive || arg.find('\\') != std::string::npos) return Widen(arg);
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(arg, ignored);
  return platform::NativeToWindowsPath(absolute.empty() ? arg : absolute.string());
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSizeOf(const std::wstring& path) {
  if (platform::GetFileKindW(path.c_str()) != platform::FileKind::kRegular) return -1;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

bool CheckRegularFile(const char* command, const std::string& arg, const std::wstring& path) {
  const char* reason = nullptr;
  switch (platform::GetFileKindW(path.c_str())) {
    case platform::FileKind::kRegular:
      return true;
    case platform::FileKind::kDirectory:
      reason = "is a directory";
      break;
    case platform::FileKind::kOther:
      reason = "is not a regular file (a pipe, socket or device); only regular files are read";
      break;
    case platform::FileKind::kMissing:
      reason = "does not exist";
      break;
  }
  std::fprintf(stderr, "zorbase %s: '%s' %s\n", command, arg.c_str(), reason);
  return false;
}

}  // namespace tool
}  // namespace zb
