// `zorbase sysinfo`: what MSystemInfo says about this machine: the operating system as the library
// emulates it, the processor, memory, the free space of the mapped drives and the screen.
#include "command.h"

#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/path_mapping.h>
#include <zorbase/system/MSystemInfo.h>

namespace zb {
namespace tool {
namespace {

std::string Text(const wchar_t* text) { return text ? Narrow(text) : std::string(); }

int RunSysinfo(const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("sysinfo", "takes no arguments");
  MSystemInfo info;
  std::printf("Operating system:   %s\n", Text(info.GET_OS_DESCRIPTION()).c_str());
  std::printf("  type %d (%s), edition %d, terminal server %s\n",
              static_cast<int>(info.GET_OS_TYPE()), Text(info.GET_OS_STRING()).c_str(),
              info.GET_OS_EDITION(), info.IS_TERMINAL_SERVER() ? "yes" : "no");
  std::printf("Processor:          %s\n", Text(info.GET_PROCESSOR_STRING2().GetString()).c_str());
  std::printf("  architecture %u (%s), model %u (%s)\n", info.GET_PROCESSOR(),
              Text(info.GET_PROCESSOR_STRING()).c_str(), info.GET_PROCESSOR_LEVEL(),
              Text(info.GET_PROCESSOR_LEVEL_STRING()).c_str());
  std::printf("  %s\n", Text(info.GET_PROCESSOR_STRING3().GetString()).c_str());
  std::printf("  logical processors %llu\n", info.GET_NUM_PROCESSOR_CORES());
  const double mib = 1024.0 * 1024.0;
  std::printf("Physical memory:    %.0f MiB, %.0f MiB available\n",
              MSystemInfo::GET_PHYSICAL_MEMORY() / mib, MSystemInfo::GET_FREE_PHYSICAL_MEMORY() / mib);
  std::printf("Page file:          %.0f MiB, %.0f MiB available\n",
              MSystemInfo::GET_VIRTUAL_MEMORY() / mib, MSystemInfo::GET_FREE_VIRTUAL_MEMORY() / mib);
  std::printf("Disks (free to the caller):\n");
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if (zb::platform::DriveRoot(letter).empty()) continue;
    std::wstring drive = std::wstring(1, letter) + L":";
    std::printf("  %s  %.0f MiB  (%s)\n", Narrow(drive).c_str(),
                info.GET_FREE_DISK_SPACE(drive.c_str()) / mib,
                zb::platform::DriveRoot(letter).c_str());
  }
  int width = 0, height = 0;
  MSystemInfo::GET_RESOLUTION(width, height);
  std::printf("Screen:             %d x %d, colour class %d\n", width, height,
              static_cast<int>(MSystemInfo::GET_COLOR_DEPTH()));
  return kExitOk;
}

const Command kSysinfo(
    "sysinfo", "sysinfo",
    "Describes the machine as MSystemInfo sees it: the operating system (the emulated Windows\n"
    "version, which ZORBASE_WINVER substitutes), the processor (ZORBASE_CPU substitutes its\n"
    "architecture, level and revision; its names come from the machine hive of the registry),\n"
    "memory, the free space of every mapped drive and the screen.",
    RunSysinfo);

}  // namespace
}  // namespace tool
}  // namespace zb
