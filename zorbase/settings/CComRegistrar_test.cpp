// Tests of CComRegistrar below HKEY_CLASSES_ROOT.
#include <zorbase/settings/CComRegistrar.h>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/settings/MRegKey.h>

namespace {

const wchar_t kClass[] = L"{6E3A1F20-0000-4000-8000-00000000ZB01}";

CComRegistrar::ParamInit kFull[] = {
    {CComRegistrar::PARAM_CLSID, L"6E3A1F20-0000-4000-8000-00000000ZB01"},
    {CComRegistrar::PARAM_SERVER_PATH, L"C:\\Program Files\\Zor\\server.exe"},
    {CComRegistrar::PARAM_SERVER_KIND, L"LSO"},
    {CComRegistrar::PARAM_PROGID, L"ZorBase.TestServer.1"},
    {CComRegistrar::PARAM_DESCRIPTION, L"ZorBase test server"},
    {CComRegistrar::PARAM_IID, L"{6E3A1F20-0000-4000-8000-00000000ZB02"},
    {CComRegistrar::PARAM_INTERFACE_NAME, L"IZorTest"},
    {CComRegistrar::PARAM_TYPELIB_ID, L"6E3A1F20-0000-4000-8000-00000000ZB03}"},
    {CComRegistrar::PARAM_TYPELIB_VERSION, L"1.0"},
    {CComRegistrar::PARAM_END, nullptr},
};

CString Default(const wchar_t* path) {
  MRegKey key(path, MRegKey(HKEY_CLASSES_ROOT, FALSE));
  return key.GetRegStrD(nullptr, L"<none>");
}

bool Exists(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CleanUp() {
  CComRegistrar registrar(kFull);
  registrar.UnRegister();
}

}  // namespace

SUITE(CComRegistrar) {
  TEST(BracesAreAddedToIdentifiers) {
    CComRegistrar registrar(kFull);
    CHECK(registrar.Get(CComRegistrar::PARAM_CLSID) == kClass);
    CHECK(registrar.Get(CComRegistrar::PARAM_IID) == L"{6E3A1F20-0000-4000-8000-00000000ZB02}");
    CHECK(registrar.Get(CComRegistrar::PARAM_TYPELIB_ID) == L"{6E3A1F20-0000-4000-8000-00000000ZB03}");
    CHECK(registrar.Get(CComRegistrar::PARAM_PROGID) == L"ZorBase.TestServer.1");
    registrar.Set(CComRegistrar::PARAM_CLSID, L"");
    CHECK(registrar.Get(CComRegistrar::PARAM_CLSID).IsEmpty());
    CComRegistrar empty;
    CHECK(empty.Get(CComRegistrar::PARAM_TYPELIB_NAME).IsEmpty());
    empty.Set(static_cast<CComRegistrar::REGPARAM>(42), L"ignored");
    CHECK_EQUAL(0, empty.GetSize());
  }

  TEST(RegisterWritesEveryEntry) {
    CleanUp();
    CComRegistrar registrar;
    CHECK_EQUAL(1, registrar.Register(kFull));
    CString cls = CString(L"CLSID\\") + kClass;
    CHECK(Default(cls) == L"ZorBase test server");
    CHECK(Default(cls + L"\\ProgID") == L"ZorBase.TestServer.1");
    CHECK(Default(cls + L"\\LocalServer32") == L"C:\\Program Files\\Zor\\server.exe");
    CHECK(Default(cls + L"\\InprocHandler32") == L"ole32.dll");
    CHECK(Default(cls + L"\\TypeLib") == L"{6E3A1F20-0000-4000-8000-00000000ZB03}");
    CHECK(Default(L"ZorBase.TestServer.1") == L"ZorBase test server");
    CHECK(Default(L"ZorBase.TestServer.1\\CLSID") == kClass);
    CString itf = L"Interface\\{6E3A1F20-0000-4000-8000-00000000ZB02}";
    CHECK(Default(itf) == L"IZorTest");
    CHECK(Default(itf + L"\\ProxyStubClsid32") == L"{00020420-0000-0000-C000-000000000046}");
    MRegKey reference(itf + L"\\TypeLib", MRegKey(HKEY_CLASSES_ROOT, FALSE));
    CHECK(reference.GetRegStrD(L"Version", L"") == L"1.0");
    CString library = L"TypeLib\\{6E3A1F20-0000-4000-8000-00000000ZB03}\\1.0";
    CHECK(Default(library) == L"ZorBase test server");  // no library name: the description
    CHECK(Default(library + L"\\FLAGS") == L"0");
    CHECK(Default(library + L"\\0\\win32") == L"C:\\Program Files\\Zor\\server.exe");
    CleanUp();
  }

  TEST(RegisteringTwiceWritesNothing) {
    CleanUp();
    CComRegistrar registrar(kFull);
    registrar.Register();
    HKEY classes = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, nullptr, 0, KEY_NOTIFY, &classes));
    HANDLE event = zb::platform::CreateRegistryEvent(true, false);
    CHECK_EQUAL(ERROR_SUCCESS, RegNotifyChangeKeyValue(classes, TRUE,
                                                       REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event, TRUE));
    // The same values with other letter cases count as equal.
    CComRegistrar again(kFull);
    again.Set(CComRegistrar::PARAM_DESCRIPTION, L"ZORBASE TEST SERVER");
    again.Register();
    CHECK(!zb::platform::WaitRegistryEvent(event, 0));
    again.Set(CComRegistrar::PARAM_INTERFACE_NAME, L"IZorTest2");
    again.Register();
    CHECK(zb::platform::WaitRegistryEvent(event, 0));
    RegCloseKey(classes);
    zb::platform::CloseRegistryEvent(event);
    CleanUp();
  }

  TEST(ServerKindsAndMissingProgId) {
    CleanUp();
    CString cls = CString(L"CLSID\\") + kClass;
    CComRegistrar registrar(kFull);
    registrar.Set(CComRegistrar::PARAM_SERVER_KIND, L"LSO_NOAUTOSTART");
    registrar.Register();
    CHECK(Exists(cls));
    CHECK(!Exists(cls + L"\\LocalServer32"));
    CHECK(!Exists(cls + L"\\InprocServer32"));
    CHECK(!Exists(cls + L"\\InprocHandler32"));
    registrar.Set(CComRegistrar::PARAM_SERVER_KIND, L"INP");
    registrar.Register();
    CHECK(Default(cls + L"\\InprocServer32") == L"C:\\Program Files\\Zor\\server.exe");
    // Without a program identifier the class's ProgID sub-key goes.
    CHECK(Exists(cls + L"\\ProgID"));
    registrar.Set(CComRegistrar::PARAM_PROGID, L"");
    registrar.Register();
    CHECK(!Exists(cls + L"\\ProgID"));
    CHECK(Exists(cls));
    CleanUp();
  }

  TEST(UnRegisterWithOnlyTheClassKeepsTheClassesRootKeys) {
    CleanUp();
    CComRegistrar full(kFull);
    full.Register();
    HKEY app = nullptr;
    RegCreateKeyW(HKEY_CLASSES_ROOT, (CString(L"AppID\\") + kClass), &app);
    RegCloseKey(app);
    CComRegistrar::ParamInit only_class[] = {{CComRegistrar::PARAM_CLSID, kClass}, {CComRegistrar::PARAM_END, nullptr}};
    CComRegistrar registrar;
    CHECK_EQUAL(1, registrar.UnRegister(only_class));
    CHECK(!Exists(CString(L"CLSID\\") + kClass));
    CHECK(!Exists(CString(L"AppID\\") + kClass));
    CHECK(Exists(L"CLSID"));
    CHECK(Exists(L"AppID"));
    CHECK(Exists(L"ZorBase.TestServer.1"));  // its parameter was not set
    CleanUp();
    CHECK(!Exists(L"ZorBase.TestServer.1"));
    CHECK(!Exists(L"TypeLib\\{6E3A1F20-0000-4000-8000-00000000ZB03}\\1.0"));
    CHECK(Exists(L"TypeLib"));
  }

  TEST(SafeForScriptingCategories) {
    CleanUp();
    CComRegistrar registrar(kFull);
    CHECK_EQUAL(1, registrar.RegisterSafeForScripting());
    CString categories = CString(L"CLSID\\") + kClass + L"\\Implemented Categories\\";
    CHECK(Exists(categories + L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}"));
    CHECK(Exists(categories + L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}"));
    CHECK_EQUAL(1, registrar.RegisterImplementedCategory(L""));
    CComRegistrar no_class;
    CHECK_EQUAL(0, no_class.RegisterImplementedCategory(L"7DD95801-9882-11CF-9FA9-00AA006C42C4"));
    CleanUp();
  }
}
