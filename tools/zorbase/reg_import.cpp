// `zorbase reg import` (reg_import.h): reads the file and hands it to the library's line-by-line
// import, then reports what was left out.
#include "reg_import.h"

#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/registry.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {

std::string RegistryErrorText(LONG status) {
  if (status == static_cast<LONG>(ERROR_FILE_NOT_FOUND) || status == static_cast<LONG>(ERROR_PATH_NOT_FOUND)) {
    return "The system was unable to find the specified registry key or value.";
  }
  if (status == static_cast<LONG>(ERROR_ACCESS_DENIED)) return "Access is denied.";
  if (status == static_cast<LONG>(ERROR_BAD_NETPATH)) return "The network path was not found.";
  return "The registry call failed with error " + std::to_string(status) + ".";
}

namespace {

// Larger files are refused, as the library refuses them.
constexpr unsigned long long kMaxFileSize = 1ull << 30;

constexpr const char* kReadError = "ERROR: Error opening the file. There may be a disk or file system error.\n";

// Reads the whole file; false with the reason printed.
bool ReadFileBytes(const std::string& arg, std::string* bytes) {
  const std::wstring path = ArgumentToWindowsPath(arg);
  if (!CheckRegularFile("reg", arg, path)) return false;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fputs(kReadError, stderr);
    return false;
  }
  bytes->clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes->append(buffer, got);
    if (bytes->size() > kMaxFileSize) {
      ok = false;
      break;
    }
  }
  CloseHandle(file);
  if (!ok) std::fputs(kReadError, stderr);
  return ok;
}

}  // namespace

int ImportRegFile(const std::string& arg, bool strict) {
  std::string bytes;
  if (!ReadFileBytes(arg, &bytes)) return kExitFailure;
  std::vector<zb::platform::RegistryImportProblem> problems;
  const LONG status = zb::platform::ImportRegistryLines(bytes.data(), bytes.size(), strict, &problems);
  for (const auto& problem : problems) {
    if (problem.line > 0) {
      std::fprintf(stderr, "%s:%d: %s\n", arg.c_str(), problem.line, problem.reason.c_str());
    } else {
      std::fprintf(stderr, "%s: %s\n", arg.c_str(), problem.reason.c_str());
    }
  }
  if (status == static_cast<LONG>(ERROR_NOT_REGISTRY_FILE)) {
    std::fprintf(stderr, "ERROR: The file was not imported; nothing was changed.\n");
    return kExitFailure;
  }
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "ERROR: Error accessing the registry.\n");
    return kExitFailure;
  }
  std::printf("The operation completed successfully.\n");
  return kExitOk;
}

}  // namespace tool
}  // namespace zb
