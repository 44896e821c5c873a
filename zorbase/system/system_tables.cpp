// The operating-system, edition and processor tables of MSystemInfo.
#include <zorbase/system/internal/system_tables.h>

namespace zb {
namespace system_internal {
namespace {

enum Group {
  kNoGroup,
  kUltimate,
  kHomeBasic,
  kHomePremium,
  kEnterpriseClient,
  kBusiness,
  kStarter,
  kStandard,
  kDatacenter,
  kSmallBusiness,
  kEnterpriseServer,
  kItanium,
  kWeb,
  kHpc,
  kHomeServer,
  kStorage,
  kEssentialBusiness,
  kFoundation,
};

Group GroupOf(DWORD code) {
  switch (code) {
    case 1: case 28: case 71: return kUltimate;
    case 2: case 5: case 67: return kHomeBasic;
    case 3: case 26: case 68: return kHomePremium;
    case 4: case 27: case 70: return kEnterpriseClient;
    case 6: case 16: case 48: case 49: case 69: return kBusiness;
    case 11: case 47: case 66: return kStarter;
    case 7: case 13: case 36: case 40: return kStandard;
    case 8: case 12: case 37: case 39: return kDatacenter;
    case 9: case 24: case 25: return kSmallBusiness;
    case 10: case 14: case 38: case 41: return kEnterpriseServer;
    case 15: return kItanium;
    case 17: case 29: return kWeb;
    case 18: return kHpc;
    case 19: return kHomeServer;
    case 20: case 21: case 22: case 23: return kStorage;
    case 30: case 31: case 32: return kEssentialBusiness;
    case 33: return kFoundation;
    default: return kNoGroup;
  }
}

void Set(OsDecision* d, int type, int edition, const std::wstring& text) {
  d->type = type;
  d->edition = edition;
  d->description = text;
}

void DecideClient(DWORD minor, DWORD major, DWORD product, OsDecision* d) {
  const bool vista = major == 6 && minor == 0;
  const Group group = product >= 1 && product <= (vista ? 28u : 71u) ? GroupOf(product) : kNoGroup;
  int edition = -1;
  const wchar_t* suffix = nullptr;
  switch (group) {
    case kUltimate: edition = vista ? 5 : 4, suffix = L" Ultimate Edition"; break;
    case kHomeBasic: edition = 1, suffix = L" Home Basic Edition"; break;
    case kHomePremium: edition = 2, suffix = L" Home Premium Edition"; break;
    case kEnterpriseClient: edition = vista ? 4 : 5, suffix = L" Enterprise Edition"; break;
    case kBusiness:
      edition = 3, suffix = vista ? L" Business Edition" : L" Professional Edition";
      break;
    case kStarter: edition = 0, suffix = L" Starter Edition"; break;
    default: break;
  }
  if (vista || (major == 6 && minor == 1)) {
    d->type = vista ? 11 : 13;
    if (suffix) {
      d->edition = edition;
      d->description = std::wstring(vista ? L"Windows Vista" : L"Windows 7") + suffix;
    }
    return;
  }
  const wchar_t* base = major == 10 ? L"Windows 10" : minor == 2 ? L"Windows 8" : L"Windows 8.1";
  d->type = major == 10 ? 19 : minor == 2 ? 15 : 17;
  if (suffix) {
    d->edition = edition;
    d->description = std::wstring(base) + suffix;
  } else {
    d->edition = 6;
    d->description = base;
  }
}

void DecideServer(DWORD minor, DWORD major, DWORD product, OsDecision* d) {
  const Group group = product >= 7 && product <= 41 ? GroupOf(product) : kNoGroup;
  if (major == 6 && minor == 0) {
    d->type = 12;
    switch (group) {
      case kStandard: Set(d, 12, 2, L"Windows Server 2008 Standard Edition"); break;
      case kDatacenter: Set(d, 12, 4, L"Windows Server 2008 Datacenter Edition"); break;
      case kSmallBusiness: Set(d, 12, 7, L"Windows Small Business Server 2008"); break;
      case kEnterpriseServer: Set(d, 12, 3, L"Windows Server 2008 Enterprise Edition"); break;
      case kItanium: Set(d, 12, 9, L"Windows Server 2008 for Itanium-Based Systems"); break;
      case kWeb: Set(d, 12, 0, L"Windows Web Server 2008"); break;
      case kHpc: Set(d, 12, 5, L"Windows HPC Server 2008"); break;
      case kHomeServer: Set(d, 12, 1, L"Windows Home Server"); break;
      case kStorage: Set(d, 12, 6, L"Windows Storage Server 2008"); break;
      case kEssentialBusiness: Set(d, 12, 8, L"Windows Essential Business Server 2008"); break;
      case kFoundation: Set(d, 12, 10, L"Windows Server 2008 Foundation Edition"); break;
      default: break;
    }
    return;
  }
  if (major == 6 && minor == 1) {
    d->type = 12;
    switch (group) {
      case kStandard: Set(d, 12, 12, L"Windows Server 2008 R2 Standard Edition"); break;
      case kDatacenter: Set(d, 12, 14, L"Windows Server 2008 R2 Datacenter Edition"); break;
      case kEnterpriseServer: Set(d, 12, 13, L"Windows Server 2008 R2 Enterprise Edition"); break;
      case kItanium: Set(d, 12, 17, L"Windows Server 2008 R2 for Itanium-Based Systems"); break;
      case kWeb: Set(d, 12, 15, L"Windows Web Server 2008 R2"); break;
      case kHpc: Set(d, 12, 16, L"Windows HPC Server 2008 R2"); break;
      case kFoundation: Set(d, 12, 11, L"Windows Server 2008 R2 Foundation Edition"); break;
      default: break;  // small business, home server, storage, essential business: not recognised
    }
    return;
  }
  const int type = major == 10 ? 18 : minor == 2 ? 14 : 16;
  const std::wstring year = major == 10 ? L"2016" : minor == 2 ? L"2012" : L"2012 R2";
  const std::wstring base = L"Windows Server " + year;
  switch (group) {
    case kStandard: Set(d, type, 2, base + L" Standard Edition"); break;
    case kDatacenter: Set(d, type, 4, base + L" Datacenter Edition"); break;
    case kSmallBusiness: Set(d, type, 7, L"Windows Small Business Server " + year); break;
    case kEnterpriseServer: Set(d, type, 3, base + L" Enterprise Edition"); break;
    case kItanium: Set(d, type, 9, base + L" for Itanium-Based Systems"); break;
    case kWeb: Set(d, type, 0, L"Windows Web Server " + year); break;
    case kHpc: Set(d, type, 5, L"Windows HPC Server " + year); break;
    case kHomeServer: Set(d, type, 1, base + L" Home Server"); break;
    case kStorage: Set(d, type, 6, L"Windows Storage Server " + year); break;
    case kEssentialBusiness: Set(d, type, 8, L"Windows Essential Business Server " + year); break;
    case kFoundation: Set(d, type, 10, base + L" Foundation Edition"); break;
    default: Set(d, type, 11, base); break;
  }
}

void DecideNt(const OSVERSIONINFOEXW& v, DWORD product, bool (*metric)(int), OsDecision* d) {
  const DWORD major = v.dwMajorVersion, minor = v.dwMinorVersion;
  const int product_type = v.wProductType;
  const bool workstation = product_type == VER_NT_WORKSTATION;
  const DWORD suite = v.wSuiteMask;
  if (major == 3) {
    if (minor >= 51)
      Set(d, 6, product_type < 2 ? 0 : 1,
          product_type < 2 ? L"Windows NT Workstation 3.51" : L"Windows NT Server 3.51");
    else
      Set(d, 5, product_type < 2 ? 0 : 1,
          product_type < 2 ? L"Windows NT Workstation 3.5" : L"Windows NT Server 3.5");
  } else if (major == 4) {
    if (product_type < 2) Set(d, 7, 0, L"Windows NT Workstation 4.0");
    else if (suite & 0x0002) Set(d, 7, 2, L"Windows NT Server 4.0 Enterprise Edition");
    else Set(d, 7, 1, L"Windows NT Server 4.0 Standard Edition");
  } else if (major == 5 && minor == 0) {
    if (workstation) Set(d, 8, 0, L"Windows 2000 Professional");
    else if (suite & 0x0080) Set(d, 8, 3, L"Windows 2000 Datacenter Server");
    else if (suite & 0x0002) Set(d, 8, 2, L"Windows 2000 Advanced Server");
    else Set(d, 8, 1, L"Windows 2000 Server");
  } else if (major == 5 && minor == 1) {
    if (!workstation) Set(d, 9, -1, L"Unknown");
    else if (metric(87)) Set(d, 9, 6, L"Windows XP Media Center Edition");
    else if (metric(86)) Set(d, 9, 5, L"Windows XP Tablet PC Edition");
    else if (metric(88)) Set(d, 9, 0, L"Windows XP Starter Edition");
    else if (suite & 0x0001) Set(d, 9, 1, L"Windows XP Embedded");
    else if (suite & 0x0200) Set(d, 9, 2, L"Windows XP Home Edition");
    else Set(d, 9, 3, L"Windows XP Professional");
  } else if (major == 5 && minor == 2) {
    if (workstation) Set(d, 9, 4, L"Windows XP Professional x64 Edition");
    else if (suite & 0x4000) Set(d, 10, 6, L"Windows Server 2003 Compute Cluster Edition");
    else if (suite & 0x2000) Set(d, 10, 5, L"Windows Storage Server 2003 R2");
    else if (suite & 0x0080) Set(d, 10, 4, L"Windows Server 2003 Datacenter Edition");
    else if (suite & 0x0002) Set(d, 10, 3, L"Windows Server 2003 Enterprise Edition");
    else if (suite & 0x0400) Set(d, 10, 1, L"Windows Server 2003 Web Edition");
    else if ((suite & 0x0001) && (suite & 0x0020))
      Set(d, 10, 0, L"Windows Small Business Server 2003");
    else Set(d, 10, 2, L"Windows Server 2003 Standard Edition");
  } else if ((major == 6 && minor <= 3) || (major == 10 && minor == 0)) {
    if (workstation) DecideClient(minor, major, product, d);
    else DecideServer(minor, major, product, d);
  }
  d->description += L" x64";
  if (v.szCSDVersion[0]) {
    d->description += L", ";
    d->description += v.szCSDVersion;
  }
}

}  // namespace

OsDecision DecideOperatingSystem(const OSVERSIONINFOEXW& v, DWORD product, bool (*metric)(int)) {
  OsDecision d;
  const std::wstring csd = v.szCSDVersion;
  switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      Set(&d, 1, -1, L"Windows 3.11 Win32s");
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (v.dwMinorVersion == 0) {
        if (csd == L"C") Set(&d, 2, 4, L"Windows 95 OSR 2.5");
        else if (csd == L"B" && v.dwBuildNumber == 1111) Set(&d, 2, 2, L"Windows 95 OSR2");
        else if (csd == L"B") Set(&d, 2, 3, L"Windows 95 OSR 2.1");
        else if (csd == L"A") Set(&d, 2, 1, L"Windows 95 SP1");
        else Set(&d, 2, 0, L"Windows 95");
      } else if (v.dwMinorVersion == 10) {
        if (csd == L"A") Set(&d, 3, 1, L"Windows 98 Second Edition");
        else Set(&d, 3, 0, L"Windows 98");
      } else if (v.dwMinorVersion == 90) {
        Set(&d, 4, -1, L"Windows ME");
      }
      break;
    case VER_PLATFORM_WIN32_NT:
      DecideNt(v, product, metric, &d);
      break;
    default:
      break;
  }
  return d;
}

ProcessorDecision DecideProcessor(const SYSTEM_INFO& info, const std::wstring& vendor,
                                  DWORD platform_id) {
  ProcessorDecision d;
  const unsigned family = info.wProcessorLevel & 0xFF, high = info.wProcessorLevel >> 8;
  const unsigned model = info.wProcessorRevision >> 8;
  const DWORD type = info.dwProcessorType;
  const bool amd = vendor == L"AuthenticAMD", intel = vendor == L"GenuineIntel";
  switch (info.wProcessorArchitecture) {
    case 0:
      d.processor = 0;
      if (platform_id == 1) {
        d.level = type == 386 ? 0 : type == 486 ? 1 : type == 586 ? 2 : 15;
      } else if (amd) {
        d.level = family == 5 ? (model >= 4 ? 17 : 16) : family == 6 ? 18 : 19;
      } else if (intel && family == 15 && high == 0) {
        d.level = 9;
      } else if (intel) {
        if (family < 5) {
          d.level = 15;
        } else {
          switch (model) {
            case 3: d.level = 0; break;
            case 4: d.level = 1; break;
            case 5: d.level = 2; break;
            case 6: d.level = 5; break;
            case 7: d.level = 7; break;
            case 15: case 23: d.level = 13; break;
            default: d.level = 15; break;
          }
        }
      } else {
        d.level = 15;
      }
      break;
    case 1: {
      const unsigned level = info.wProcessorLevel;
      d.processor = 1;
      d.level = level == 3 ? 0 : level == 4 ? 1 : level == 5 ? 2 : 3;
      break;
    }
    case 2: {
      const unsigned level = info.wProcessorLevel;
      d.processor = 2;
      d.level = level == 21064 ? 0 : level == 21066 ? 1 : level == 21164 ? 2 : 3;
      break;
    }
    case 3: {
      const unsigned level = info.wProcessorLevel;
      d.processor = 3;
      switch (level) {
        case 1: d.level = 0; break;
        case 3: d.level = 1; break;
        case 4: d.level = 2; break;
        case 6: d.level = 3; break;
        case 9: d.level = 4; break;
        case 20: d.level = 5; break;
        default: d.level = 6; break;
      }
      break;
    }
    case 6:
      // Another vendor's IA-64 processor has no model row: the unknown level.
      d.processor = 5;
      d.level = intel ? (type == 2200 ? 0 : 1) : 0xFFFF;
      break;
    case 9:
      d.processor = 4;
      if (amd) {
        d.level = family == 15 && high == 0 ? 1 : 3;
      } else if (intel) {
        d.level = family == 15 && high == 0 ? (model == 4 ? 6 : model == 6 ? 9 : 11) : 11;
      } else {
        d.level = 3;
      }
      break;
    default:
      break;
  }
  return d;
}

const wchar_t* ProcessorLevelName(unsigned short processor, unsigned short level) {
  static const wchar_t* const kIntel[] = {
      L"Intel 386",   L"Intel 486",  L"Pentium",   L"Pentium MMX", L"Pentium Pro",
      L"Pentium 2",   L"Celeron",    L"Pentium 3", L"Celeron 3",   L"Pentium 4",
      L"Pentium M",   L"Celeron M",  L"Intel Core", L"Intel Core 2", L"Intel Xeon",
      L"Intel Unknown", L"AMD K5",   L"AMD K6",    L"Athlon",      L"AMD Unknown"};
  static const wchar_t* const kMips[] = {L"R3000", L"R4000", L"R5000"};
  static const wchar_t* const kAlpha[] = {L"21064", L"21066", L"21164"};
  static const wchar_t* const kPpc[] = {L"601", L"603", L"604", L"603+", L"604+", L"620"};
  static const wchar_t* const kAmd64[] = {
      L"Opteron 64",        L"Athlon 64",         L"Sempron 64",
      L"AMD64 Unknown",     L"Intel64 Xeon",      L"Intel64 Core 2",
      L"Intel64 Pentium 4", L"Intel64 Pentium EE", L"Intel64 Pentium Dual Core",
      L"Intel64 Pentium D", L"Intel64 Celeron M", L"Intel64 Unknown"};
  switch (processor) {
    case 0: return level < 20 ? kIntel[level] : L"Intel Unknown";
    case 1: return level < 3 ? kMips[level] : L"MIPS Unknown";
    case 2: return level < 3 ? kAlpha[level] : L"Alpha Unknown";
    case 3: return level < 6 ? kPpc[level] : L"PowerPC Unknown";
    case 4: return level < 12 ? kAmd64[level] : L"AMD64 Unknown";
    case 5: return level == 0 ? L"Intel Itanium" : L"Itanium Unknown";
    default: return L"Unknown";
  }
}

std::wstring CollapseSpaces(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L' ' && (out.empty() || out.back() == L' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == L' ') out.pop_back();
  return out;
}

bool BrowserVersion(DWORD v, DWORD n, DWORD fourth, DWORD build_number, DWORD& major, DWORD& minor,
                    DWORD& third, DWORD& build) {
  if (v == 0) {
    major = minor = third = build = 0;
    return false;
  }
  if (v >= 5) {
    major = 5;
    minor = n;
  } else if (n <= 40) {
    major = 2, minor = 0;
  } else if (n <= 70) {
    major = 3, minor = 0;
  } else {
    major = 4;
    minor = n == 71 ? 0 : n == 72 ? 1 : 2;
  }
  third = fourth;
  build = build_number;
  return true;
}

}  // namespace system_internal
}  // namespace zb
