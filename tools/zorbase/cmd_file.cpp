// `zorbase file stat PATH` and `zorbase file copy SRC DST`: what the platform's file layer sees of a
// path (the native file it maps to, existence, size, attributes), and a copy through
// MFileName::COPY_FILE.
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/file_details.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "file stat PATH | file copy SRC DST";
constexpr char kHelp[] =
    "stat PATH      prints the Windows form of PATH as the file system spells it, the native\n"
    "               path it maps to, whether it exists, its type, size and attributes.\n"
    "               Exit code 1 when it does not exist.\n"
    "copy SRC DST   copies the file SRC to DST through MFileName::COPY_FILE.\n"
    "\n"
    "Paths are Windows paths (C:\\Dir\\File.txt; drives map as ZORBASE_DRIVE_<LETTER> says, Z: is /;\n"
    "any path with a backslash) or native paths (/tmp/f, or relative ones such as f.txt).\n"
    "Lookup ignores case as on Windows.";

std::string AttributeNames(DWORD attributes) {
  struct Name {
    DWORD bit;
    const char* name;
  };
  const Name names[] = {{FILE_ATTRIBUTE_READONLY, "READONLY"}, {FILE_ATTRIBUTE_HIDDEN, "HIDDEN"},
                        {FILE_ATTRIBUTE_SYSTEM, "SYSTEM"},     {FILE_ATTRIBUTE_DIRECTORY, "DIRECTORY"},
                        {FILE_ATTRIBUTE_ARCHIVE, "ARCHIVE"},   {FILE_ATTRIBUTE_NORMAL, "NORMAL"}};
  std::string out;
  for (const Name& n : names) {
    if ((attributes & n.bit) != 0) out += (out.empty() ? "" : " ") + std::string(n.name);
  }
  return out;
}

int Stat(const std::string& arg) {
  const std::wstring path = ArgumentToWindowsPath(arg);
  platform::ResolvedPath resolved;
  const DWORD code = platform::ResolveWindowsPath(path.c_str(), &resolved);
  std::printf("path:       %s\n", arg.c_str());
  if (code != ERROR_SUCCESS) {
    std::printf("error:      %lu (%s)\n", static_cast<unsigned long>(code),
                code == ERROR_INVALID_NAME    ? "a name Windows refuses"
                : code == ERROR_BAD_NETPATH   ? "network paths are not mapped"
                : code == ERROR_PATH_NOT_FOUND ? "no such path (or the drive is not mapped)"
                                               : "cannot be mapped");
    return kExitFailure;
  }
  std::printf("windows:    %s%s\n", Narrow(resolved.windows).c_str(),
              resolved.trailing_separator ? "\\" : "");
  std::printf("native:     %s\n", resolved.native.c_str());
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    std::printf("exists:     no (error %lu)\n", static_cast<unsigned long>(error));
    return kExitFailure;
  }
  const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool other = platform::GetFileKindW(path.c_str()) == platform::FileKind::kOther;
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  std::printf("exists:     yes\n");
  std::printf("type:       %s\n", directory ? "directory"
                                   : other   ? "other (a pipe, socket or device)"
                                             : "file");
  if (!directory) std::printf("size:       %llu\n", size);
  std::printf("attributes: 0x%lx %s\n", static_cast<unsigned long>(data.dwFileAttributes),
              AttributeNames(data.dwFileAttributes).c_str());
  return kExitOk;
}

int Copy(const std::string& from, const std::string& to) {
  const std::wstring source_path = ArgumentToWindowsPath(from);
  const std::wstring target_path = ArgumentToWindowsPath(to);
  // Only a regular file is copied: reading a pipe or a device could block or never end.
  if (!CheckRegularFile("file", from, source_path)) return kExitFailure;
  const MFileName source(source_path.c_str());
  const MFileName target(target_path.c_str());
  if (!target.COPY_FILE(source)) {
    std::fprintf(stderr, "zorbase: cannot copy %s to %s\n", from.c_str(), to.c_str());
    return kExitFailure;
  }
  return kExitOk;
}

int RunFile(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("file", "missing operation (stat or copy)");
  if (args[0] == "stat") {
    if (args.size() != 2) return UsageError("file", "stat takes one PATH");
    return Stat(args[1]);
  }
  if (args[0] == "copy") {
    if (args.size() != 3) return UsageError("file", "copy takes SRC and DST");
    return Copy(args[1], args[2]);
  }
  return UsageError("file", "unknown operation '" + args[0] + "'");
}

const Command kFileCommand("file", kSynopsis, kHelp, RunFile);

}  // namespace
}  // namespace tool
}  // namespace zb
