// MVersionInfoDLL: the version a library reports through its own "DllGetVersion" entry point.
#pragma once

#include <cstdint>

#include <zorbase/platform/export.h>
#include <zorbase/platform/version.h>

class ZORBASE_API MVersionInfoDLL {
 public:
  // The record zeroed, its size field 20.
  MVersionInfoDLL();
  virtual ~MVersionInfoDLL() = default;

  // Loads the library `fileName` (LoadLibraryW), calls its "DllGetVersion" with the record and
  // frees the library. True when the entry point exists and returns a non-negative result; on
  // failure the record is left zeroed (size field 20).
  bool GET_DLL_VERSION_INFO(const wchar_t* fileName);

  // 0 major, 1 minor, 2 build, 3 platform; any other index gives 0.
  std::uint32_t GET_VERSION_VALUE(std::uint32_t index) const;

  DLLVERSIONINFO versionInfo;
};
