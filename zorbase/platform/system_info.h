// Operating-system version, processor, memory, disk and screen queries with their Windows records.
//
// The version is the emulated Windows version: Windows 10 Professional (10.0.19045, workstation,
// product code 0x30) unless ZORBASE_WINVER gives another, read at every call in the form
//   MAJOR.MINOR.BUILD[;platform=N][;csd=TEXT][;sp=MAJOR.MINOR][;type=N][;suite=0xHEX]
//   [;product=0xHEX][;metrics=N,N,...]
// (platform id, default 2; service-pack text; service-pack numbers; product type 1 workstation,
// 2 domain controller, 3 server; suite mask; the GetProductInfo code; the GetSystemMetrics indexes
// that read 1). A value that does not parse leaves the default in force. GetVersionExW,
// VerifyVersionInfoW, GetProductInfo and GetSystemMetrics all answer from it.
//
// Processor figures are the machine's own; ZORBASE_CPU="ARCH;LEVEL;REVISION" (decimal) replaces
// the architecture, level and revision that GetSystemInfo and GetNativeSystemInfo report.
#pragma once

#include <string>
#include <vector>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
typedef OSVERSIONINFOEXW* LPOSVERSIONINFOEXW;

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
constexpr BYTE VER_NT_WORKSTATION = 1;
constexpr BYTE VER_NT_DOMAIN_CONTROLLER = 2;
constexpr BYTE VER_NT_SERVER = 3;

constexpr DWORD VER_MINORVERSION = 0x01;
constexpr DWORD VER_MAJORVERSION = 0x02;
constexpr DWORD VER_BUILDNUMBER = 0x04;
constexpr DWORD VER_PLATFORMID = 0x08;
constexpr DWORD VER_SERVICEPACKMINOR = 0x10;
constexpr DWORD VER_SERVICEPACKMAJOR = 0x20;
constexpr DWORD VER_SUITENAME = 0x40;
constexpr DWORD VER_PRODUCT_TYPE = 0x80;
constexpr BYTE VER_EQUAL = 1;
constexpr BYTE VER_GREATER = 2;
constexpr BYTE VER_GREATER_EQUAL = 3;
constexpr BYTE VER_LESS = 4;
constexpr BYTE VER_LESS_EQUAL = 5;
constexpr BYTE VER_AND = 6;
constexpr BYTE VER_OR = 7;
constexpr DWORD ERROR_OLD_WIN_VERSION = 1150;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_TABLETPC = 86;
constexpr int SM_MEDIACENTER = 87;
constexpr int SM_STARTER = 88;
constexpr int SM_SERVERR2 = 89;

constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr WORD PROCESSOR_ARCHITECTURE_MIPS = 1;
constexpr WORD PROCESSOR_ARCHITECTURE_ALPHA = 2;
constexpr WORD PROCESSOR_ARCHITECTURE_PPC = 3;
constexpr WORD PROCESSOR_ARCHITECTURE_IA64 = 6;
constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
constexpr WORD PROCESSOR_ARCHITECTURE_ARM64 = 12;
constexpr WORD PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;

struct SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

struct MEMORYSTATUSEX {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  ULONGLONG ullTotalPhys;
  ULONGLONG ullAvailPhys;
  ULONGLONG ullTotalPageFile;
  ULONGLONG ullAvailPageFile;
  ULONGLONG ullTotalVirtual;
  ULONGLONG ullAvailVirtual;
  ULONGLONG ullAvailExtendedVirtual;
};
typedef MEMORYSTATUSEX* LPMEMORYSTATUSEX;

// Fills the basic or the extended record, chosen by dwOSVersionInfoSize; any other size fails
// with ERROR_INSUFFICIENT_BUFFER.
ZORBASE_API BOOL GetVersionExW(LPOSVERSIONINFOW info);

// Compares the emulated version with `info` for the fields of `type_mask`, under the conditions of
// `condition_mask` (VerSetConditionMask). Major, minor and service-pack numbers compare as one
// version, most significant first, under the condition of the most significant one given. FALSE
// with ERROR_OLD_WIN_VERSION when the comparison fails, ERROR_INVALID_PARAMETER for an empty
// mask; systems of the Windows 95 family have no such call (ERROR_CALL_NOT_IMPLEMENTED).
ZORBASE_API BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD type_mask,
                                    ULONGLONG condition_mask);
ZORBASE_API ULONGLONG VerSetConditionMask(ULONGLONG condition_mask, DWORD type_mask,
                                          BYTE condition);

// The product code of the emulated system (the version arguments are not consulted).
ZORBASE_API BOOL GetProductInfo(DWORD os_major, DWORD os_minor, DWORD sp_major, DWORD sp_minor,
                                PDWORD product_type);

// 1 for the metric indexes the emulated version lists, the screen size for SM_CXSCREEN and
// SM_CYSCREEN, 0 otherwise.
ZORBASE_API int GetSystemMetrics(int index);

ZORBASE_API void GetSystemInfo(LPSYSTEM_INFO info);
ZORBASE_API void GetNativeSystemInfo(LPSYSTEM_INFO info);

// Physical memory and the commit figures (page file: physical memory plus swap) of the machine.
// dwLength must be sizeof(MEMORYSTATUSEX) (else ERROR_INVALID_PARAMETER).
ZORBASE_API BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status);

// Free and total space of the file system that holds `directory` (a Windows path; null: the current
// directory). Clusters are the file system's fragments in 512-byte sectors.
ZORBASE_API BOOL GetDiskFreeSpaceExW(LPCWSTR directory, PULARGE_INTEGER free_to_caller,
                                     PULARGE_INTEGER total, PULARGE_INTEGER total_free);
ZORBASE_API BOOL GetDiskFreeSpaceW(LPCWSTR root, LPDWORD sectors_per_cluster,
                                   LPDWORD bytes_per_sector, LPDWORD free_clusters,
                                   LPDWORD total_clusters);

// The screen's device context: GetDC(null) gives it, GetDeviceCaps answers HORZRES, VERTRES,
// BITSPIXEL, PLANES, RASTERCAPS and SIZEPALETTE for it (the first connected display's mode; 0 by 0
// without a display), ReleaseDC releases it. Windows of other handles have no context (null,
// ERROR_INVALID_WINDOW_HANDLE).
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int RASTERCAPS = 38;
constexpr int SIZEPALETTE = 104;
constexpr int RC_PALETTE = 0x0100;
ZORBASE_API HDC GetDC(HWND window);
ZORBASE_API int GetDeviceCaps(HDC dc, int index);
ZORBASE_API int ReleaseDC(HWND window, HDC dc);

#endif  // _WIN32

namespace zb {
namespace platform {

// The emulated version: the record, the product code and the metric indexes that read 1.
struct EmulatedVersion {
  OSVERSIONINFOEXW info;
  DWORD product;
  std::vector<int> metrics;
};

// The default version with `text` (the ZORBASE_WINVER form) applied; false, and the default, when
// `text` does not parse. Null or empty text gives the default and true.
bool ParseEmulatedVersion(const char* text, EmulatedVersion* version);

// The version in force (ZORBASE_WINVER or the default).
EmulatedVersion CurrentEmulatedVersion();

// Architecture, level and revision from the ZORBASE_CPU form; false when `text` does not parse.
bool ParseCpuOverride(const char* text, WORD* architecture, WORD* level, WORD* revision);

// The processor type number Windows reports for an architecture and level (386, 486, 586, 2200,
// 8664, ...).
DWORD ProcessorTypeFor(WORD architecture, WORD level);

}  // namespace platform
}  // namespace zb
