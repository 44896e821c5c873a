// The emulated Windows version and the version calls that answer from it: parsing of
// ZORBASE_WINVER and ZORBASE_CPU, GetVersionExW, VerifyVersionInfoW, GetProductInfo,
// GetSystemMetrics (the non-screen metrics).
#include <zorbase/platform/system_info.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace {

bool ParseUnsigned(const std::string& text, int base, unsigned long max, DWORD* value) {
  if (text.empty()) return false;
  if (base == 16 && (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)) {
    return ParseUnsigned(text.substr(2), 16, max, value);
  }
  char* end = nullptr;
  errno = 0;
  unsigned long long parsed = std::strtoull(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || text[0] == '-' || text[0] == '+' || parsed > max) return false;
  *value = static_cast<DWORD>(parsed);
  return true;
}

// "A.B" into two numbers of at most `max`.
bool ParsePair(const std::string& text, unsigned long max, DWORD* a, DWORD* b) {
  std::size_t dot = text.find('.');
  return dot != std::string::npos && ParseUnsigned(text.substr(0, dot), 10, max, a) &&
         ParseUnsigned(text.substr(dot + 1), 10, max, b);
}

EmulatedVersion DefaultVersion() {
  EmulatedVersion v{};
  v.info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  v.info.dwMajorVersion = 10;
  v.info.dwMinorVersion = 0;
  v.info.dwBuildNumber = 19045;
  v.info.dwPlatformId = VER_PLATFORM_WIN32_NT;
  v.info.wSuiteMask = 0x0100;  // single-user terminal services, as a desktop system reports
  v.info.wProductType = VER_NT_WORKSTATION;
  v.product = 0x30;  // Professional
  return v;
}

}  // namespace

bool ParseEmulatedVersion(const char* text, EmulatedVersion* version) {
  *version = DefaultVersion();
  if (!text || !*text) return true;
  EmulatedVersion v = DefaultVersion();
  std::string all(text);
  std::size_t start = 0;
  bool first = true;
  while (start <= all.size()) {
    std::size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    std::string part = all.substr(start, end - start);
    start = end + 1;
    if (first) {
      first = false;
      std::size_t d1 = part.find('.'), d2 = d1 == std::string::npos ? d1 : part.find('.', d1 + 1);
      if (d2 == std::string::npos) return false;
      if (!ParseUnsigned(part.substr(0, d1), 10, 0xFFFFFFFFul, &v.info.dwMajorVersion) ||
          !ParseUnsigned(part.substr(d1 + 1, d2 - d1 - 1), 10, 0xFFFFFFFFul,
                         &v.info.dwMinorVersion) ||
          !ParseUnsigned(part.substr(d2 + 1), 10, 0xFFFFFFFFul, &v.info.dwBuildNumber))
        return false;
      continue;
    }
    std::size_t eq = part.find('=');
    if (eq == std::string::npos) return false;
    std::string key = part.substr(0, eq), value = part.substr(eq + 1);
    DWORD n = 0, m = 0;
    if (key == "platform") {
      if (!ParseUnsigned(value, 10, 0xFFFFFFFFul, &v.info.dwPlatformId)) return false;
    } else if (key == "csd") {
      std::wstring csd = Utf8ToWide(value);
      if (csd.size() >= 128) return false;
      std::wmemcpy(v.info.szCSDVersion, csd.c_str(), csd.size() + 1);
    } else if (key == "sp") {
      if (!ParsePair(value, 0xFFFF, &n, &m)) return false;
      v.info.wServicePackMajor = static_cast<WORD>(n);
      v.info.wServicePackMinor = static_cast<WORD>(m);
    } else if (key == "type") {
      if (!ParseUnsigned(value, 10, 0xFF, &n)) return false;
      v.info.wProductType = static_cast<BYTE>(n);
    } else if (key == "suite") {
      if (!ParseUnsigned(value, 16, 0xFFFF, &n)) return false;
      v.info.wSuiteMask = static_cast<WORD>(n);
    } else if (key == "product") {
      if (!ParseUnsigned(value, 16, 0xFFFFFFFFul, &v.product)) return false;
    } else if (key == "metrics") {
      std::size_t s = 0;
      while (s <= value.size()) {
        std::size_t comma = value.find(',', s);
        if (comma == std::string::npos) comma = value.size();
        if (!ParseUnsigned(value.substr(s, comma - s), 10, 0x7FFFFFFF, &n)) return false;
        v.metrics.push_back(static_cast<int>(n));
        s = comma + 1;
      }
    } else {
      return false;
    }
  }
  *version = v;
  return true;
}

EmulatedVersion CurrentEmulatedVersion() {
  EmulatedVersion version;
  ParseEmulatedVersion(std::getenv("ZORBASE_WINVER"), &version);
  return version;
}

bool ParseCpuOverride(const char* text, WORD* architecture, WORD* level, WORD* revision) {
  if (!text) return false;
  std::string all(text);
  std::size_t a = all.find(';'), b = a == std::string::npos ? a : all.find(';', a + 1);
  if (b == std::string::npos) return false;
  DWORD x = 0, y = 0, z = 0;
  if (!ParseUnsigned(all.substr(0, a), 10, 0xFFFF, &x) ||
      !ParseUnsigned(all.substr(a + 1, b - a - 1), 10, 0xFFFF, &y) ||
      !ParseUnsigned(all.substr(b + 1), 10, 0xFFFF, &z))
    return false;
  *architecture = static_cast<WORD>(x);
  *level = static_cast<WORD>(y);
  *revision = static_cast<WORD>(z);
  return true;
}

DWORD ProcessorTypeFor(WORD architecture, WORD level) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:  // levels below 3 name no processor Windows ran on
      return level < 3 ? 0 : level == 3 ? 386 : level == 4 ? 486 : 586;
    case PROCESSOR_ARCHITECTURE_MIPS: return 4000;
    case PROCESSOR_ARCHITECTURE_ALPHA: return level ? level : 21064;
    case PROCESSOR_ARCHITECTURE_PPC: return 601;
    case PROCESSOR_ARCHITECTURE_IA64: return 2200;
    case PROCESSOR_ARCHITECTURE_AMD64: return 8664;
    default: return 0;
  }
}

}  // namespace platform
}  // namespace zb

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) &&
                info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW))) {
    SetLastError(info ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  zb::platform::EmulatedVersion v = zb::platform::CurrentEmulatedVersion();
  DWORD size = info->dwOSVersionInfoSize;
  std::memcpy(info, &v.info, size);
  info->dwOSVersionInfoSize = size;
  return TRUE;
}

ULONGLONG VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask, BYTE condition) {
  for (int bit = 0; bit < 8; ++bit) {
    if (!(type_mask & (1u << bit))) continue;
    condition_mask &= ~(0x7ull << (bit * 3));
    condition_mask |= static_cast<ULONGLONG>(condition & 0x7) << (bit * 3);
  }
  return condition_mask;
}

namespace {

BYTE ConditionOf(ULONGLONG mask, DWORD type) {
  int bit = 0;
  while (!(type & (1u << bit))) ++bit;
  return static_cast<BYTE>((mask >> (bit * 3)) & 0x7);
}

bool Compare(ULONGLONG actual, ULONGLONG wanted, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return actual == wanted;
    case VER_GREATER: return actual > wanted;
    case VER_GREATER_EQUAL: return actual >= wanted;
    case VER_LESS: return actual < wanted;
    case VER_LESS_EQUAL: return actual <= wanted;
    default: return false;
  }
}

}  // namespace

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD type_mask, ULONGLONG condition_mask) {
  zb::platform::EmulatedVersion v = zb::platform::CurrentEmulatedVersion();
  if (v.info.dwPlatformId != VER_PLATFORM_WIN32_NT) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  if (!info || type_mask == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const OSVERSIONINFOEXW& have = v.info;
  bool ok = true;
  // Major, minor, service-pack major and minor form one version; only the parts asked for count.
  const DWORD parts[] = {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR,
                         VER_SERVICEPACKMINOR};
  const ULONGLONG have_parts[] = {have.dwMajorVersion, have.dwMinorVersion, have.wServicePackMajor,
                                  have.wServicePackMinor};
  const ULONGLONG want_parts[] = {info->dwMajorVersion, info->dwMinorVersion,
                                  info->wServicePackMajor, info->wServicePackMinor};
  BYTE condition = 0;
  int order = 0;  // -1 less, 0 equal, 1 greater: the first part that differs decides
  for (int i = 0; i < 4; ++i) {
    if (!(type_mask & parts[i])) continue;
    if (!condition) condition = ConditionOf(condition_mask, parts[i]);
    if (order == 0 && have_parts[i] != want_parts[i]) order = have_parts[i] < want_parts[i] ? -1 : 1;
  }
  if (condition) ok = Compare(static_cast<ULONGLONG>(order + 1), 1, condition);
  if (ok && (type_mask & VER_BUILDNUMBER))
    ok = Compare(have.dwBuildNumber, info->dwBuildNumber, ConditionOf(condition_mask, VER_BUILDNUMBER));
  if (ok && (type_mask & VER_PLATFORMID))
    ok = Compare(have.dwPlatformId, info->dwPlatformId, ConditionOf(condition_mask, VER_PLATFORMID));
  if (ok && (type_mask & VER_PRODUCT_TYPE))
    ok = Compare(have.wProductType, info->wProductType, ConditionOf(condition_mask, VER_PRODUCT_TYPE));
  if (ok && (type_mask & VER_SUITENAME)) {
    BYTE c = ConditionOf(condition_mask, VER_SUITENAME);
    ok = c == VER_OR ? (have.wSuiteMask & info->wSuiteMask) != 0
                     : (have.wSuiteMask & info->wSuiteMask) == info->wSuiteMask;
  }
  if (!ok) SetLastError(ERROR_OLD_WIN_VERSION);
  return ok ? TRUE : FALSE;
}

BOOL GetProductInfo(DWORD, DWORD, DWORD, DWORD, PDWORD product_type) {
  if (!product_type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *product_type = zb::platform::CurrentEmulatedVersion().product;
  return TRUE;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN || index == SM_CYSCREEN) {
    HDC screen = GetDC(nullptr);
    int value = GetDeviceCaps(screen, index == SM_CXSCREEN ? HORZRES : VERTRES);
    ReleaseDC(nullptr, screen);
    return value;
  }
  for (int listed : zb::platform::CurrentEmulatedVersion().metrics)
    if (listed == index) return 1;
  return 0;
}
