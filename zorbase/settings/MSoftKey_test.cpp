// Tests of the settings keys below software\company\product\version.
#include <zorbase/settings/MSoftKey.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/settings/internal/settings_internal.h>

namespace {

// Restores the branch statics after a test changes them.
struct BranchGuard {
  BranchGuard() : company(MSoftKey::m_CompanyName), product(MSoftKey::m_ProductName), version(MSoftKey::m_ProductVersion) {}
  ~BranchGuard() {
    MSoftKey::m_CompanyName = company;
    MSoftKey::m_ProductName = product;
    MSoftKey::m_ProductVersion = version;
  }
  CString company, product, version;
};

}  // namespace

SUITE(MSoftKey) {
  TEST(DefaultsNameTheProductAfterTheExecutable) {
    CHECK(zb::settings_internal::ProductNameFromModulePath(L"C:\\Apps\\my.tool.exe") == L"my.tool");
    CHECK(zb::settings_internal::ProductNameFromModulePath(L"C:\\Apps\\tool") == L"tool");
    CHECK(zb::settings_internal::ProductNameFromModulePath(L"Z:\\usr\\bin\\zorbase_tests") == L"zorbase_tests");
    // Set while the library loaded.
    CHECK(MSoftKey::m_CompanyName == L"!TestCompany");
    CHECK(MSoftKey::m_ProductName == L"zorbase_tests");
    BranchGuard guard;
    MSoftKey::Init(L"P", L"1", L"C");
    MSoftKey::Init(nullptr, nullptr, nullptr);
    CHECK(MSoftKey::m_CompanyName == L"!TestCompany");
    CHECK(MSoftKey::m_ProductName == L"zorbase_tests");
    CHECK(MSoftKey::m_ProductVersion.IsEmpty());
  }

  TEST(PathIsComposedFromTheBranchAtEachOpening) {
    BranchGuard guard;
    MSoftKey::Init(L"Viewer", L"2.0", L"Acme");
    MSoftKeyCU options(L"Options");
    HKEY parent = nullptr;
    CString path;
    options.GetParams(parent, path);
    CHECK(parent == HKEY_CURRENT_USER);
    CHECK(path == L"software\\Acme\\Viewer\\2.0\\Options");
    MSoftKey::Init(L"Viewer", nullptr, L"Acme");
    options.GetParams(parent, path);
    CHECK(path == L"software\\Acme\\Viewer\\Options");
    MSoftKeyLM branch;
    branch.GetParams(parent, path);
    CHECK(parent == HKEY_LOCAL_MACHINE);
    CHECK(path == L"software\\Acme\\Viewer");
    MSoftKeyCU copy(options);
    copy.GetParams(parent, path);
    CHECK(path == L"software\\Acme\\Viewer\\Options");
  }

  TEST(WritesCreateTheBranch) {
    BranchGuard guard;
    MSoftKey::Init(L"SoftKeyTest", L"1.5", L"ZorBaseTests");
    {
      MSoftKeyCU key(L"Window");
      CHECK(key.SetRegDWORD(L"Width", 640));
      MRegKey sub(L"Sub", key);
      CHECK(sub.SetRegStr(L"Name", L"x"));
    }
    HKEY opened = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\SoftKeyTest\\1.5\\Window\\Sub",
                                             0, KEY_READ, &opened));
    RegCloseKey(opened);
    MSoftKeyCU again(L"Window");
    CHECK_EQUAL(640u, again.GetRegDWORDD(L"Width", 0));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\SoftKeyTest");
  }
}
