// Paths of the resource and version test fixtures (built by tools/test_runner/resource_fixtures.cmake).
#pragma once

#include <string>

namespace zb {
namespace test {

// The Windows form (Z:\...) of a file in the fixture folder: "pe_with_version.dll",
// "pe_without_version.dll", "zorbase_test_dll_version.so".
std::wstring ResourceFixture(const char* file_name);
// The native path of the same file.
std::string ResourceFixtureNative(const char* file_name);
// The Windows path of the built libzorbase.so.
std::wstring ZorBaseLibraryFile();
// The Windows path of the native library that exports DllGetVersion.
std::wstring DllVersionFixture();

}  // namespace test
}  // namespace zb
