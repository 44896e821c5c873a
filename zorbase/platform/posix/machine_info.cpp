// What the machine itself reports: processors (sysconf, /proc/cpuinfo), memory (/proc/meminfo),
// disk space (statvfs) and the screen (the first connected display of /sys/class/drm).
#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/system_info.h>

namespace zb {
namespace platform {
namespace {

// "cpu family" and "model"/"stepping" of the first processor in /proc/cpuinfo.
void ReadCpuFamily(WORD* family, WORD* revision) {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  unsigned fam = 0, model = 0, stepping = 0;
  bool have_family = false, have_model = false, have_stepping = false;
  while (std::getline(in, line) && !line.empty()) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, line.find_last_not_of(" \t", colon - 1) + 1);
    unsigned long value = std::strtoul(line.c_str() + colon + 1, nullptr, 10);
    if (key == "cpu family" && !have_family) fam = value, have_family = true;
    if (key == "model" && !have_model) model = value, have_model = true;
    if (key == "stepping" && !have_stepping) stepping = value, have_stepping = true;
  }
  *family = static_cast<WORD>(fam);
  *revision = static_cast<WORD>(((model & 0xFF) << 8) | (stepping & 0xFF));
}

void FillSystemInfo(LPSYSTEM_INFO info) {
  std::memset(info, 0, sizeof *info);
#if defined(__x86_64__)
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
#elif defined(__i386__)
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
#elif defined(__aarch64__)
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ARM64;
#else
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
  ReadCpuFamily(&info->wProcessorLevel, &info->wProcessorRevision);
  WORD architecture, level, revision;
  if (ParseCpuOverride(std::getenv("ZORBASE_CPU"), &architecture, &level, &revision)) {
    info->wProcessorArchitecture = architecture;
    info->wProcessorLevel = level;
    info->wProcessorRevision = revision;
  }
  info->dwProcessorType = ProcessorTypeFor(info->wProcessorArchitecture, info->wProcessorLevel);
  long page = sysconf(_SC_PAGESIZE);
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFEFFFFull);
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  info->dwNumberOfProcessors = count > 0 ? static_cast<DWORD>(count) : 1;
  info->dwActiveProcessorMask =
      info->dwNumberOfProcessors >= 64 ? ~DWORD_PTR{0}
                                       : (DWORD_PTR{1} << info->dwNumberOfProcessors) - 1;
  info->dwAllocationGranularity = 65536;
}

// Fields of /proc/meminfo in bytes.
bool ReadMemInfo(ULONGLONG* total, ULONGLONG* available, ULONGLONG* swap_total,
                 ULONGLONG* swap_free) {
  std::ifstream in("/proc/meminfo");
  if (!in) return false;
  std::string key;
  unsigned long long kb;
  std::string unit;
  *total = *available = *swap_total = *swap_free = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    if (!(fields >> key >> kb)) continue;
    ULONGLONG bytes = kb * 1024ull;
    if (key == "MemTotal:") *total = bytes;
    else if (key == "MemAvailable:") *available = bytes;
    else if (key == "SwapTotal:") *swap_total = bytes;
    else if (key == "SwapFree:") *swap_free = bytes;
  }
  return *total != 0;
}

bool StatFileSystem(LPCWSTR directory, struct statvfs* out) {
  ResolvedPath resolved;
  std::wstring path = directory && *directory ? directory : CurrentWindowsDirectory();
  DWORD error = ResolveWindowsPath(path.c_str(), &resolved);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return false;
  }
  if (statvfs(resolved.native.c_str(), out) != 0) {
    SetLastErrorFromErrno(errno, true);
    return false;
  }
  return true;
}

// The screen: the first connected display's current mode, read when a context is asked for.
struct Screen {
  int width = 0, height = 0;
};

Screen ReadScreen() {
  Screen screen;
  DIR* dir = opendir("/sys/class/drm");
  if (!dir) return screen;
  while (dirent* entry = readdir(dir)) {
    std::string base = std::string("/sys/class/drm/") + entry->d_name;
    std::ifstream status(base + "/status");
    std::string state;
    if (!(status >> state) || state != "connected") continue;
    std::ifstream modes(base + "/modes");
    std::string mode;
    int w = 0, h = 0;
    if (modes >> mode && std::sscanf(mode.c_str(), "%dx%d", &w, &h) == 2) {
      screen.width = w;
      screen.height = h;
      break;
    }
  }
  closedir(dir);
  return screen;
}

struct ScreenContext {};
ScreenContext g_screen_context;  // the one screen context; its handle is its address

HDC ScreenHandle() { return reinterpret_cast<HDC>(&g_screen_context); }

}  // namespace
}  // namespace platform
}  // namespace zb

void GetSystemInfo(LPSYSTEM_INFO info) {
  if (info) zb::platform::FillSystemInfo(info);
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) {
  if (info) zb::platform::FillSystemInfo(info);
}

BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status) {
  if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONGLONG total, available, swap_total, swap_free;
  if (!zb::platform::ReadMemInfo(&total, &available, &swap_total, &swap_free)) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  status->ullTotalPhys = total;
  status->ullAvailPhys = available;
  status->dwMemoryLoad = static_cast<DWORD>(total ? (total - available) * 100 / total : 0);
  status->ullTotalPageFile = total + swap_total;
  status->ullAvailPageFile = available + swap_free;
  status->ullTotalVirtual = 0x7FFFFFFE0000ull;  // the user address space of 64-bit Windows
  status->ullAvailVirtual = status->ullTotalVirtual;
  status->ullAvailExtendedVirtual = 0;
  return TRUE;
}

BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER free_to_caller, PULARGE_INTEGER total,
                         PULARGE_INTEGER total_free) {
  struct statvfs fs;
  if (!zb::platform::StatFileSystem(directory, &fs)) return FALSE;
  const ULONGLONG unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  if (free_to_caller) free_to_caller->QuadPart = fs.f_bavail * unit;
  if (total) total->QuadPart = fs.f_blocks * unit;
  if (total_free) total_free->QuadPart = fs.f_bfree * unit;
  return TRUE;
}

BOOL GetDiskFreeSpaceW(LPCWSTR root, LPDWORD sectors_per_cluster, LPDWORD bytes_per_sector,
                       LPDWORD free_clusters, LPDWORD total_clusters) {
  struct statvfs fs;
  if (!zb::platform::StatFileSystem(root, &fs)) return FALSE;
  const ULONGLONG unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  const DWORD sector = 512;
  const DWORD per_cluster = unit >= sector ? static_cast<DWORD>(unit / sector) : 1;
  auto clip = [](ULONGLONG n) { return static_cast<DWORD>(n > 0xFFFFFFFFull ? 0xFFFFFFFFull : n); };
  if (sectors_per_cluster) *sectors_per_cluster = per_cluster;
  if (bytes_per_sector) *bytes_per_sector = sector;
  // As Windows does for volumes beyond 2 TB, counts that do not fit 32 bits are clipped.
  if (free_clusters) *free_clusters = clip(fs.f_bavail * unit / (ULONGLONG{per_cluster} * sector));
  if (total_clusters) *total_clusters = clip(fs.f_blocks * unit / (ULONGLONG{per_cluster} * sector));
  return TRUE;
}

HDC GetDC(HWND window) {
  if (window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return zb::platform::ScreenHandle();
}

int GetDeviceCaps(HDC dc, int index) {
  if (dc != zb::platform::ScreenHandle()) return 0;
  switch (index) {
    case HORZRES: return zb::platform::ReadScreen().width;
    case VERTRES: return zb::platform::ReadScreen().height;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case RASTERCAPS: return 0;  // no palette
    case SIZEPALETTE: return 0;
    default: return 0;
  }
}

int ReleaseDC(HWND, HDC dc) { return dc == zb::platform::ScreenHandle() ? 1 : 0; }
