#include <zorbase/system/MSystemInfo.h>

#include <vector>

#include <zorbase/platform/resources.h>
#include <zorbase/platform/system_info.h>
#include <zorbase/platform/version.h>
#include <zorbase/settings/COXRegistry.h>
#include <zorbase/system/internal/system_tables.h>

namespace {

bool MetricSet(int index) { return GetSystemMetrics(index) != 0; }

}  // namespace

MSystemInfo::MSystemInfo()
    : m_osType(OS_UNKNOWN),
      m_osEdition(-1),
      m_platformId(0),
      m_osDescription(L"Unknown"),
      m_terminalServer(false),
      m_processor(0xFFFF),
      m_processorLevel(0xFFFF),
      m_processorCount(0) {
  _DetectOperatingSystem();
  _DetectProcessor();
}

MSystemInfo::~MSystemInfo() = default;

void MSystemInfo::_DetectOperatingSystem() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) {
    info = OSVERSIONINFOEXW{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    // Detection stops when the system refuses both records; the members keep the unknown values.
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) return;
  }
  DWORD product = 0;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6)
    GetProductInfo(info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor,
                   info.wServicePackMinor, &product);
  zb::system_internal::OsDecision d =
      zb::system_internal::DecideOperatingSystem(info, product, MetricSet);
  m_platformId = info.dwPlatformId;
  m_terminalServer = (info.wSuiteMask & 0x0010) != 0;
  m_osType = static_cast<OS_TYPES>(d.type);
  m_osEdition = d.edition;
  m_osDescription = d.description.c_str();
}

void MSystemInfo::_DetectProcessor() {
  if (m_osType == OS_WIN32S) {
    m_processor = 0;
    m_processorLevel = 0xFFFF;
    m_processorCount = 1;
    return;
  }
  COXRegistry registry;
  if (registry.Connect(COXRegistry::keyLocalMachine()) &&
      registry.OpenKey(L"Hardware\\Description\\System\\CentralProcessor\\0",
                       COXRegistry::permissionRead)) {
    registry.GetStringValue(L"ProcessorNameString", m_processorName);
    registry.GetStringValue(L"VendorIdentifier", m_processorVendor);
    registry.GetStringValue(L"Identifier", m_processorIdentifier);
    m_processorName.Trim();
    m_processorName = zb::system_internal::CollapseSpaces(m_processorName.GetString()).c_str();
  }
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  m_processorCount = info.dwNumberOfProcessors;
  zb::system_internal::ProcessorDecision d =
      zb::system_internal::DecideProcessor(info, m_processorVendor.GetString(), m_platformId);
  m_processor = d.processor;
  m_processorLevel = d.level;
}

const wchar_t* MSystemInfo::GET_OS_STRING() const {
  static const wchar_t* const kNames[] = {
      L"Unknown",        L"Windows 3.11 Win32s", L"Windows 95",          L"Windows 98",
      L"Windows ME",     L"Windows NT 3.5",      L"Windows NT 3.51",     L"Windows NT 4.0",
      L"Windows 2000",   L"Windows XP",          L"Windows Server 2003", L"Windows Vista",
      L"Windows Server 2008", L"Windows 7",      L"Windows Server 2012", L"Windows 8",
      L"Windows Server 2012 R2", L"Windows 8.1", L"Windows Server 2016", L"Windows 10"};
  const int type = m_osType;
  return type >= 0 && type < 20 ? kNames[type] : kNames[0];
}

bool MSystemInfo::IS_OS_NT() const {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  ULONGLONG mask = 0;
  mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                            mask) != FALSE;
}

const wchar_t* MSystemInfo::GET_PROCESSOR_STRING() const {
  switch (m_processor) {
    case 0: return L"Intel x86";
    case 1: return L"SGI MIPS";
    case 2: return L"Alpha AXP";
    case 3: return L"PowerPC";
    case 4: return L"AMD64";
    case 5: return L"Intel Itanium";
    default: return nullptr;
  }
}

CString MSystemInfo::GET_PROCESSOR_STRING2() {
  if (!m_processorName.IsEmpty()) return m_processorName;
  const wchar_t* architecture = GET_PROCESSOR_STRING();
  return CString(architecture ? architecture : L"");
}

CString MSystemInfo::GET_PROCESSOR_STRING3() {
  CString text = m_processorName;
  text += L" ";
  text += m_processorIdentifier;
  return text;
}

const wchar_t* MSystemInfo::GET_PROCESSOR_LEVEL_STRING() const {
  return zb::system_internal::ProcessorLevelName(m_processor, m_processorLevel);
}

unsigned long long MSystemInfo::GET_FREE_DISK_SPACE(const wchar_t* path) const {
  if (m_osType == OS_WIN32S || !path) return 0;
  CString root(path);
  root += L"\\";
  if (m_osType == OS_WIN95) {
    DWORD sectors = 0, bytes = 0, free_clusters = 0, total = 0;
    if (!GetDiskFreeSpaceW(root, &sectors, &bytes, &free_clusters, &total)) return 0;
    return static_cast<unsigned long long>(sectors) * bytes * free_clusters;
  }
  ULARGE_INTEGER available{}, total{}, total_free{};
  if (!GetDiskFreeSpaceExW(root, &available, &total, &total_free)) return 0;
  return available.QuadPart;
}

namespace {

bool MemoryStatus(MEMORYSTATUSEX* status) {
  *status = MEMORYSTATUSEX{};
  status->dwLength = sizeof *status;
  return GlobalMemoryStatusEx(status) != FALSE;
}

}  // namespace

long long MSystemInfo::GET_PHYSICAL_MEMORY() {
  MEMORYSTATUSEX s;
  return MemoryStatus(&s) ? static_cast<long long>(s.ullTotalPhys) : 0;
}

long long MSystemInfo::GET_FREE_PHYSICAL_MEMORY() {
  MEMORYSTATUSEX s;
  return MemoryStatus(&s) ? static_cast<long long>(s.ullAvailPhys) : 0;
}

long long MSystemInfo::GET_VIRTUAL_MEMORY() {
  MEMORYSTATUSEX s;
  return MemoryStatus(&s) ? static_cast<long long>(s.ullTotalPageFile) : 0;
}

long long MSystemInfo::GET_FREE_VIRTUAL_MEMORY() {
  MEMORYSTATUSEX s;
  return MemoryStatus(&s) ? static_cast<long long>(s.ullAvailPageFile) : 0;
}

void MSystemInfo::GET_RESOLUTION(int& width, int& height) {
  HDC screen = GetDC(nullptr);
  width = GetDeviceCaps(screen, HORZRES);
  height = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);
}

MSystemInfo::COLOR_TYPES MSystemInfo::GET_COLOR_DEPTH(HDC dc) {
  const bool screen = dc == nullptr;
  if (screen) dc = GetDC(nullptr);
  COLOR_TYPES result;
  if (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) {
    const int size = GetDeviceCaps(dc, SIZEPALETTE);
    result = size < 16 ? COLOR_PALETTE_SMALL : size < 256 ? COLOR_PALETTE_16 : COLOR_PALETTE_256;
  } else {
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    result = bits == 1 ? COLOR_PALETTE_SMALL
             : bits == 24 ? COLOR_24BIT
             : bits == 32 ? COLOR_32BIT
                          : COLOR_OTHER;
  }
  if (screen) ReleaseDC(nullptr, dc);
  return result;
}

MSystemInfo::COLOR_TYPES MSystemInfo::GET_COLOR_DEPTH() { return GET_COLOR_DEPTH(nullptr); }

bool MSystemInfo::GET_IE_VERSION(DWORD& major, DWORD& minor, DWORD& third, DWORD& build) const {
  // The component's own "DllGetVersion" first, then the version resource of its file; neither
  // found reads as version 0.
  const wchar_t kComponent[] = L"shdocvw.dll";
  if (HMODULE module = LoadLibraryW(kComponent)) {
    auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
    DLLVERSIONINFO info{sizeof(DLLVERSIONINFO), 0, 0, 0, 0};
    const bool answered = get_version && get_version(&info) >= 0;
    FreeLibrary(module);
    if (answered)
      return zb::system_internal::BrowserVersion(info.dwMajorVersion, info.dwMinorVersion,
                                                 info.dwPlatformID, info.dwBuildNumber, major,
                                                 minor, third, build);
  }
  DWORD v = 0, n = 0, fourth = 0, build_number = 0;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(kComponent, &handle);
  if (size > 0) {
    std::vector<unsigned char> block(size + sizeof(wchar_t));
    void* fixed = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoW(kComponent, handle, size, block.data()) &&
        VerQueryValueW(block.data(), L"\\", &fixed, &length) && fixed &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
      const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
      v = info->dwFileVersionMS >> 16;
      n = info->dwFileVersionMS & 0xFFFF;
      build_number = info->dwFileVersionLS >> 16;
      fourth = info->dwFileVersionLS & 0xFFFF;
    }
  }
  return zb::system_internal::BrowserVersion(v, n, fourth, build_number, major, minor, third,
                                             build);
}

bool MSystemInfo::IS_HTML_HELP_INSTALLED() {
  COXRegistry registry;
  if (!registry.Connect(COXRegistry::keyClassesRoot())) return false;
  if (!registry.OpenKey(L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}",
                        COXRegistry::permissionRead))
    return false;
  CString value;
  return registry.GetValue(L"", value) != 0;
}
