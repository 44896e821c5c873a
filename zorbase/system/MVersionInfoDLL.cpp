#include <zorbase/system/MVersionInfoDLL.h>

#include <zorbase/platform/resources.h>

MVersionInfoDLL::MVersionInfoDLL() : versionInfo() { versionInfo.cbSize = sizeof versionInfo; }

bool MVersionInfoDLL::GET_DLL_VERSION_INFO(const wchar_t* fileName) {
  versionInfo = DLLVERSIONINFO();
  versionInfo.cbSize = sizeof versionInfo;
  HMODULE module = LoadLibraryW(fileName);
  if (module == nullptr) return false;
  bool ok = false;
  // Through a generic function pointer, the one conversion between function types C++ blesses.
  FARPROC proc = GetProcAddress(module, "DllGetVersion");
  if (auto entry = reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void (*)()>(proc))) {
    DLLVERSIONINFO record = DLLVERSIONINFO();
    record.cbSize = sizeof record;
    ok = entry(&record) >= 0;
    if (ok) versionInfo = record;
  }
  FreeLibrary(module);
  return ok;
}

std::uint32_t MVersionInfoDLL::GET_VERSION_VALUE(std::uint32_t index) const {
  switch (index) {
    case 0: return versionInfo.dwMajorVersion;
    case 1: return versionInfo.dwMinorVersion;
    case 2: return versionInfo.dwBuildNumber;
    case 3: return versionInfo.dwPlatformID;
    default: return 0;
  }
}
