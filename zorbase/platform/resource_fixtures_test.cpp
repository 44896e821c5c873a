// Paths of the resource fixtures, passed in by the build (only this file is compiled with them).
#include <zorbase/platform/internal/resource_fixtures.h>

#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace test {

std::string ResourceFixtureNative(const char* file_name) {
  return std::string(ZORBASE_RESOURCE_FIXTURES) + "/" + file_name;
}

std::wstring ResourceFixture(const char* file_name) {
  return zb::platform::NativeToWindowsPath(ResourceFixtureNative(file_name));
}

std::wstring ZorBaseLibraryFile() { return zb::platform::NativeToWindowsPath(ZORBASE_LIBRARY_FILE); }

std::wstring DllVersionFixture() {
  return zb::platform::NativeToWindowsPath(ZORBASE_DLL_VERSION_FILE);
}

}  // namespace test
}  // namespace zb
