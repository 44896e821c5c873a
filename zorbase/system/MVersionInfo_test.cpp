#include <zorbase/system/MVersionInfo.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

#include <zorbase/platform/internal/resource_fixtures.h>
#include <zorbase/system/MVersionInfoDLL.h>
#include <zorbase/strings/internal/wide_check.h>

SUITE(MVersionInfo) {

TEST(FileWithVersion) {
  MVersionInfo info;
  CHECK(info.GET_FILE_VERSION_INFO(zb::test::ResourceFixture("pe_with_version.dll").c_str()));
  const std::uint32_t file[] = {1, 2, 3, 4}, product[] = {5, 6, 7, 8};
  for (std::uint32_t i = 0; i < 4; ++i) {
    CHECK_EQUAL(file[i], info.GET_VERSION_VALUE(i));
    CHECK_EQUAL(product[i], info.GET_PRODUCT_VERSION_VALUE(i));
  }
  CHECK_EQUAL(0u, info.GET_VERSION_VALUE(4));
  CHECK_EQUAL(0x0409, info.language);
  CHECK_EQUAL(1200, info.codePage);
  CString value(L"unchanged");
  CHECK(info.GET_VALUE(L"CompanyName", value));
  CHECK_WIDE(L"Fixture Company", value.GetString());
  value = L"unchanged";
  CHECK(!info.GET_VALUE(L"NoSuchValue", value));
  CHECK_WIDE(L"unchanged", value.GetString());
  CHECK_WIDE(L"1.2.3.4", info.GET_FILE_VERSION(L"%d.%d.%d.%d", L"1234").GetString());
  CHECK_WIDE(L"2.1", info.GET_FILE_VERSION(L"%d.%d", L"21").GetString());
  CHECK_WIDE(L"4-0-1", info.GET_FILE_VERSION(L"%d-%d-%d", L"4x1").GetString());
  CHECK_WIDE(L"", info.GET_FILE_VERSION(L"%d", L"").GetString());
  CHECK_WIDE(L"", info.GET_FILE_VERSION(nullptr, L"1").GetString());
}

TEST(FileWithoutVersion) {
  MVersionInfo info;
  CHECK(!info.GET_FILE_VERSION_INFO(zb::test::ResourceFixture("pe_without_version.dll").c_str()));
  for (std::uint32_t i = 0; i < 4; ++i) CHECK_EQUAL(0u, info.GET_VERSION_VALUE(i));
  CHECK_EQUAL(1252, info.codePage);
  CString value;
  CHECK(!info.GET_VALUE(L"ProductName", value));
  // A failed read after a good one clears the fixed information.
  CHECK(info.GET_FILE_VERSION_INFO(zb::test::ResourceFixture("pe_with_version.dll").c_str()));
  CHECK(!info.GET_FILE_VERSION_INFO(L"C:\\missing.dll"));
  CHECK_EQUAL(0u, info.GET_VERSION_VALUE(0));
}

TEST(LibraryReportsProjectVersion) {
  MVersionInfo info;
  CHECK(info.GET_FILE_VERSION_INFO(zb::test::ZorBaseLibraryFile().c_str()));
  CString version;
  CHECK(info.GET_VALUE(L"ProductVersion", version));
  CHECK_WIDE(info.GET_FILE_VERSION(L"%d.%d.%d", L"123").GetString(), version.GetString());
  CHECK(info.GET_VALUE(L"ProductName", version));
  CHECK_WIDE(L"ZorBase", version.GetString());
}

TEST(RunningExecutableAndLoadedModules) {
  // The test runner carries 9.8.7.6 in German / Windows-1252.
  MVersionInfo info;
  CHECK_WIDE(L"9.8.7.6", info.GET_FILE_VERSION(L"%d.%d.%d.%d", L"1234").GetString());
  CHECK_EQUAL(0x0407, info.language);
  CHECK_EQUAL(1252, info.codePage);
  CString name;
  CHECK(info.GET_VALUE(L"ProductName", name));
  CHECK_WIDE(L"Test runner", name.GetString());
  MVersionInfo module;
  CHECK(module.GET_MODULE_VERSION_INFO(nullptr));
  CHECK(module == info);
  CHECK(!module.GET_MODULE_VERSION_INFO(L"no_such_module.so"));
}

TEST(CopiesAndComparisons) {
  MVersionInfo a, b;
  CHECK(a.GET_FILE_VERSION_INFO(zb::test::ResourceFixture("pe_with_version.dll").c_str()));
  CHECK(b.GET_FILE_VERSION_INFO(zb::test::ResourceFixture("pe_with_version.dll").c_str()));
  CHECK(a == b && !(a < b) && !(a > b));
  MVersionInfo copy(a);
  CHECK(copy == a);
  CHECK(copy.data != a.data && copy.dataSize == a.dataSize);
  CString value;
  CHECK(copy.GET_VALUE(L"ProductVersion", value));
  CHECK_WIDE(L"5.6.7.8", value.GetString());
  MVersionInfo runner;
  runner.GET_MODULE_VERSION_INFO(nullptr);  // 9.8.7.6
  CHECK(a < runner && runner > a && !(a == runner));
  copy = runner;
  CHECK(copy == runner);
  copy = copy;
  CHECK(copy == runner);
}

TEST(DllGetVersion) {
  MVersionInfoDLL dll;
  CHECK(dll.GET_DLL_VERSION_INFO(zb::test::DllVersionFixture().c_str()));
  CHECK_EQUAL(3u, dll.GET_VERSION_VALUE(0));
  CHECK_EQUAL(14u, dll.GET_VERSION_VALUE(1));
  CHECK_EQUAL(159u, dll.GET_VERSION_VALUE(2));
  CHECK_EQUAL(2u, dll.GET_VERSION_VALUE(3));
  CHECK_EQUAL(0u, dll.GET_VERSION_VALUE(4));
  // A library without the entry point, and a file that is no library.
  CHECK(!dll.GET_DLL_VERSION_INFO(zb::test::ZorBaseLibraryFile().c_str()));
  CHECK_EQUAL(0u, dll.GET_VERSION_VALUE(0));
  CHECK(!dll.GET_DLL_VERSION_INFO(zb::test::ResourceFixture("pe_with_version.dll").c_str()));
}

}
