// `zorbase version FILE`: the version information of a Windows PE file or a native module — the
// fixed record and the standard string values of its first translation — through MVersionInfo.
#include <cstdio>
#include <string>
#include <vector>

#include <zorbase/platform/last_error.h>
#include <zorbase/system/MVersionInfo.h>

#include "command.h"
#include "tool_paths.h"

namespace zb {
namespace tool {
namespace {

constexpr char kSynopsis[] = "version FILE";
constexpr char kHelp[] =
    "Prints the version information of FILE (a Windows PE file, or a native module built with\n"
    "zorbase_add_resources, such as libzorbase.so): file and product version, flags, operating\n"
    "system, type, the translation, then each standard string value present\n"
    "(CompanyName, FileDescription, FileVersion, ProductName, ...). Exit code 1 when FILE has no\n"
    "version information.\n"
    "\n"
    "FILE is a Windows path (C:\\Dir\\File.dll) or a native path.";

class VersionView : public MVersionInfo {
 public:
  void Print() {
    std::printf("file version:     %s\n",
                Narrow(GET_FILE_VERSION(L"%u.%u.%u.%u", L"1234").GetString()).c_str());
    std::printf("product version:  %u.%u.%u.%u\n", GET_PRODUCT_VERSION_VALUE(0),
                GET_PRODUCT_VERSION_VALUE(1), GET_PRODUCT_VERSION_VALUE(2),
                GET_PRODUCT_VERSION_VALUE(3));
    std::printf("flags:            0x%08x (mask 0x%08x)\n",
                static_cast<unsigned>(fixedInfo.dwFileFlags),
                static_cast<unsigned>(fixedInfo.dwFileFlagsMask));
    std::printf("os:               0x%08x\n", static_cast<unsigned>(fixedInfo.dwFileOS));
    std::printf("type:             %u (%s), subtype %u\n",
                static_cast<unsigned>(fixedInfo.dwFileType), TypeName(fixedInfo.dwFileType),
                static_cast<unsigned>(fixedInfo.dwFileSubtype));
    std::printf("translation:      %04x%04x\n", language, codePage);
    static const wchar_t* const kNames[] = {
        L"Comments",         L"CompanyName",      L"FileDescription", L"FileVersion",
        L"InternalName",     L"LegalCopyright",   L"LegalTrademarks", L"OriginalFilename",
        L"PrivateBuild",     L"ProductName",      L"ProductVersion",  L"SpecialBuild"};
    for (const wchar_t* name : kNames) {
      CString value;
      if (!GET_VALUE(name, value)) continue;
      const std::string label = Narrow(name) + ":";
      std::printf("%-18s%s\n", label.c_str(), Narrow(value.GetString()).c_str());
    }
  }

 private:
  static const char* TypeName(DWORD type) {
    switch (type) {
      case 1: return "application";
      case 2: return "DLL";
      case 3: return "driver";
      case 4: return "font";
      case 5: return "virtual device";
      case 7: return "static library";
      default: return "unknown";
    }
  }
};

int RunVersion(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("version", args.empty() ? "missing FILE" : "expected one FILE");
  VersionView view;
  if (!view.GET_FILE_VERSION_INFO(ArgumentToWindowsPath(args[0]).c_str())) {
    std::fprintf(stderr, "zorbase: %s has no version information (error %u)\n", args[0].c_str(),
                 static_cast<unsigned>(GetLastError()));
    return kExitFailure;
  }
  std::printf("file:             %s\n", args[0].c_str());
  view.Print();
  return kExitOk;
}

const Command kVersionCommand("version", kSynopsis, kHelp, RunVersion);

}  // namespace
}  // namespace tool
}  // namespace zb
