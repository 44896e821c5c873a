// The decision tables of MSystemInfo as pure functions, so every row can be shown with substituted
// numbers.
#pragma once

#include <string>

#include <zorbase/platform/system_info.h>

namespace zb {
namespace system_internal {

struct OsDecision {
  int type = 0;
  int edition = -1;
  std::wstring description = L"Unknown";
};

// Type, edition and text of a version record and product code; `metric` answers GetSystemMetrics.
OsDecision DecideOperatingSystem(const OSVERSIONINFOEXW& info, DWORD product, bool (*metric)(int));

struct ProcessorDecision {
  unsigned short processor = 0xFFFF;
  unsigned short level = 0xFFFF;
};

// Architecture and model codes of a processor record, its vendor text and the platform id.
ProcessorDecision DecideProcessor(const SYSTEM_INFO& info, const std::wstring& vendor,
                                  DWORD platform_id);

// The model name of a processor and level code.
const wchar_t* ProcessorLevelName(unsigned short processor, unsigned short level);

// "Hello   big  world " -> "Hello big world": trimmed, inner runs of spaces made one.
std::wstring CollapseSpaces(const std::wstring& text);

// The browser component's version from a file or DllGetVersion version: v.n with the fourth field
// and the build. False, all outputs 0, when v is 0.
bool BrowserVersion(DWORD v, DWORD n, DWORD fourth, DWORD build_number, DWORD& major, DWORD& minor,
                    DWORD& third, DWORD& build);

}  // namespace system_internal
}  // namespace zb
