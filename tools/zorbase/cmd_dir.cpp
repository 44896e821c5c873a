// `zorbase dir standard` and `zorbase dir map DIR`: the standard folders as mapped on this machine,
// and the entries of a directory together with its map file.
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/files/MDirectory.h>
#include <zorbase/files/MDirectoryWithMap.h>
#include <zorbase/platform/shell_folders.h>

#include "command.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "dir standard | dir map DIR [--recursive]";
constexpr char kHelp[] =
    "standard         prints every standard folder (CSIDL code, name, where it comes from and the\n"
    "                 Windows path it has on this machine; (missing) when it does not exist yet),\n"
    "                 then the program, temporary, current and Windows folders\n"
    "map DIR          prints the folders and files of the Windows directory DIR with its map file\n"
    "                 \".map\": flags, disk name and the name the map gives it\n"
    "  --recursive    subdirectories too\n"
    "\n"
    "Flags: D directory, F file, M mapped. Quote Windows paths for the shell,\n"
    "e.g. zorbase dir map 'C:\\Projects'. Exit code 1 when the directory cannot be read.";

int RunStandard() {
  int count = 0;
  const zb::platform::StandardFolder* rows = zb::platform::StandardFolders(&count);
  for (int i = 0; i < count; ++i) {
    wchar_t path[MAX_PATH] = L"";
    const bool exists = MDirectory::GET_SPECIAL_FOLDER_PATH(path, nullptr, rows[i].csidl);
    if (!exists) {
      SHGetFolderPathW(nullptr, rows[i].csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, 0, path);
    }
    std::printf("0x%04x  %-30s %-18s %s%s\n", rows[i].csidl, rows[i].name, rows[i].source,
                Narrow(path).c_str(), exists ? "" : "  (missing)");
  }
  std::printf("application  %s\n", Narrow(MDirectory::GetApplication()).c_str());
  std::printf("temporary    %s\n", Narrow(MDirectory::GetTemporary()).c_str());
  std::printf("current      %s\n", Narrow(MDirectory::GetCurrent()).c_str());
  std::printf("system drive %s\n", Narrow(MDirectory::GetSystemDrive()).c_str());
  return kExitOk;
}

int RunMap(const std::string& dir, bool recursive) {
  MDirectoryWithMap map;
  const std::wstring wide = Widen(dir);
  const DWORD result = map.Read(wide.c_str(), static_cast<unsigned short>(0x000D | (recursive ? 0x0010 : 0)));
  if (result != 0) {
    std::fprintf(stderr, "zorbase: cannot read %s with its map file: error %u\n", dir.c_str(),
                 static_cast<unsigned>(result));
    return kExitFailure;
  }
  std::printf("%-5s %-40s %s\n", "flags", "disk name", "mapped name");
  for (long long i = 0; i < map.GetCount(); ++i) {
    const unsigned int index = static_cast<unsigned int>(i);
    const unsigned int flags = map.GetNameFlags(index);
    CString disk, shown;
    map.GetName(disk, index);
    map.GetMappedName(shown, index);
    std::string marks;
    marks += (flags & 0x0004) != 0 ? 'D' : '-';
    marks += (flags & 0x0008) != 0 ? 'F' : '-';
    marks += (flags & 0x0001) != 0 ? 'M' : '-';
    std::printf("%-5s %-40s %s\n", marks.c_str(), Narrow(disk.GetString()).c_str(),
                (flags & 0x0001) != 0 ? Narrow(shown.GetString()).c_str() : "");
  }
  return kExitOk;
}

int RunDir(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("dir", "missing 'standard' or 'map'");
  if (args[0] == "standard") {
    if (args.size() != 1) return UsageError("dir", "'standard' takes no arguments");
    return RunStandard();
  }
  if (args[0] == "map") {
    bool recursive = false;
    std::vector<std::string> dirs;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--recursive") {
        recursive = true;
      } else if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
        return UsageError("dir", "unknown option '" + args[i] + "'");
      } else {
        dirs.push_back(args[i]);
      }
    }
    if (dirs.size() != 1) return UsageError("dir", "expected one DIR");
    return RunMap(dirs[0], recursive);
  }
  return UsageError("dir", "unknown subcommand '" + args[0] + "'");
}

const Command kDirCommand("dir", kSynopsis, kHelp, RunDir);

}  // namespace
}  // namespace tool
}  // namespace zb
