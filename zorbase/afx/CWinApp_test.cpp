// The application object: its default names, and the profile in an INI file or, with a registry
// key, under HKEY_CURRENT_USER\Software\KEY\PROFILE\SECTION.
#include <zorbase/afx/CWinApp.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/registry.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

SUITE(CWinApp) {

TEST(DefaultsComeFromTheExecutable) {
  CWinApp* fallback = AfxGetApp();
  CHECK(fallback != nullptr);
  CHECK_WIDE(L"zorbase_tests", fallback->m_pszExeName);
  CHECK_WIDE(L"zorbase_tests", fallback->m_pszProfileName);
  CHECK(fallback->m_pszRegistryKey == nullptr);
  CHECK(EndsWith(fallback->m_pszHelpFilePath, L"\\zorbase_tests.chm"));
  {
    CWinApp host(L"Host App");
    CHECK(AfxGetApp() == &host);
    CHECK_WIDE(L"Host App", host.m_pszAppName);
    // A host replaces a setting the framework's way: free the old text, put its own.
    std::free(const_cast<wchar_t*>(host.m_pszHelpFilePath));
    host.m_pszHelpFilePath = wcsdup(L"C:\\help\\app.chm");
  }
  CHECK(AfxGetApp() == fallback);
}

TEST(ProfileInTheIniFileWithoutRegistryKey) {
  zb::test::ScratchDir dir("winapp_ini");
  CWinApp app(L"IniApp");
  std::free(const_cast<wchar_t*>(app.m_pszProfileName));
  app.m_pszProfileName = wcsdup(dir.Win(L"settings").c_str());
  CHECK_EQUAL(32768u, app.GetProfileIntW(L"Tip", L"current", 32768));
  CHECK(app.WriteProfileIntW(L"Tip", L"current", 32769));
  CHECK(app.WriteProfileIntW(L"Tip", L"neg", -5));
  CHECK(app.WriteProfileStringW(L"Tip", L"name", L"\u00c5ngstr\u00f6m"));
  CHECK_EQUAL(32769u, app.GetProfileIntW(L"Tip", L"current", 0));
  CHECK_EQUAL(static_cast<UINT>(-5), app.GetProfileIntW(L"Tip", L"neg", 0));
  CHECK_WIDE(L"\u00c5ngstr\u00f6m", app.GetProfileStringW(L"Tip", L"name"));
  CHECK_WIDE(L"dflt", app.GetProfileStringW(L"Tip", L"missing", L"dflt"));
  CHECK_WIDE(L"", app.GetProfileStringW(L"Tip", L"missing"));
  CHECK(dir.Get("settings.ini").find("current=32769") != std::string::npos);
  CHECK(app.WriteProfileStringW(L"Tip", L"name", nullptr));
  CHECK_WIDE(L"gone", app.GetProfileStringW(L"Tip", L"name", L"gone"));
  CHECK(app.GetAppRegistryKey() == nullptr);
  // A long value comes back whole.
  const std::wstring long_value(5000, L'x');
  CHECK(app.WriteProfileStringW(L"Big", L"v", long_value.c_str()));
  CHECK_WIDE(long_value.c_str(), app.GetProfileStringW(L"Big", L"v"));
}

TEST(ProfileInTheRegistryWithRegistryKey) {
  CWinApp app(L"RegApp");
  app.SetRegistryKey(L"ZorTest Company");
  CHECK_WIDE(L"RegApp", app.m_pszProfileName);
  CHECK(app.WriteProfileIntW(L"Tip", L"current", 32769));
  CHECK(app.WriteProfileStringW(L"Tip", L"text", L"\u65e5\u672c"));

  HKEY key = nullptr;
  CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER,
                                           L"Software\\ZorTest Company\\RegApp\\Tip", 0,
                                           KEY_READ, &key));
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, L"current", nullptr, &type,
                                              reinterpret_cast<LPBYTE>(&value), &size));
  CHECK_EQUAL(REG_DWORD, type);
  CHECK_EQUAL(32769u, value);
  type = 0;
  size = 0;
  CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, L"text", nullptr, &type, nullptr, &size));
  CHECK_EQUAL(REG_SZ, type);
  CHECK_EQUAL(6u, size);  // two UTF-16 units and the terminator
  RegCloseKey(key);

  CHECK_EQUAL(32769u, app.GetProfileIntW(L"Tip", L"current", 0));
  CHECK_EQUAL(7u, app.GetProfileIntW(L"Tip", L"text", 7));  // not a REG_DWORD
  CHECK_WIDE(L"\u65e5\u672c", app.GetProfileStringW(L"Tip", L"text"));
  CHECK_WIDE(L"d", app.GetProfileStringW(L"Tip", L"current", L"d"));  // not a string
  CHECK_EQUAL(3u, app.GetProfileIntW(L"Nowhere", L"x", 3));
  CHECK(app.WriteProfileStringW(L"Tip", nullptr, nullptr));  // the whole section
  CHECK_EQUAL(1u, app.GetProfileIntW(L"Tip", L"current", 1));
}

}  // SUITE(CWinApp)
