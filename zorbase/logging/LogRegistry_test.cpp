// The log settings in the registry: the manager's values and the plug-ins' subkeys.
#include <UnitTest++/UnitTest++.h>

#include <atomic>
#include <string>
#include <vector>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/registry.h>

namespace {

// A fresh key below HKEY_CURRENT_USER\Software\ZorBaseLogTests (the test run's own hive).
class TempKey {
 public:
  TempKey() {
    static std::atomic<int> counter{0};
    const std::wstring name = L"Software\\ZorBaseLogTests\\k" + std::to_wstring(counter++);
    RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~TempKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string Bytes(HKEY key, const wchar_t* sub_key, const wchar_t* name, DWORD* type) {
  HKEY sub = key;
  if (sub_key != nullptr && RegOpenKeyExW(key, sub_key, 0, KEY_READ, &sub) != ERROR_SUCCESS) {
    return "<no key>";
  }
  BYTE buffer[512];
  DWORD size = sizeof buffer;
  const LONG rc = RegQueryValueExW(sub, name, nullptr, type, buffer, &size);
  if (sub != key) RegCloseKey(sub);
  if (rc != ERROR_SUCCESS) return "<no value>";
  return std::string(reinterpret_cast<const char*>(buffer), size);
}

std::string Utf16(const wchar_t* text, bool terminator) {
  const std::wstring w(text);
  return zb::platform::WideToUtf16Le(w.c_str(), w.size() + (terminator ? 1 : 0));
}

void SetString(HKEY key, const wchar_t* name, const std::string& bytes) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

}  // namespace

SUITE(LogRegistry) {

TEST(PlugInRoundTripWithExactValues) {
  TempKey key;
  MLogManager manager;
  MLogPlugIn saved(L"RegPlug", L"Caf\u00e9 module");
  saved.SetLevel(kLogChannelFile, 1);
  saved.SetLevel(kLogChannelWindow, 15);
  saved.SetLevel(kLogChannelStd, 3);
  CHECK(saved.RegSave(key.get()));

  DWORD type = 0;
  CHECK(Bytes(key.get(), L"RegPlug", nullptr, &type) == Utf16(L"Caf\u00e9 module", true));
  CHECK_EQUAL(REG_SZ, type);
  CHECK(Bytes(key.get(), L"RegPlug", L"File", &type) == std::string("\x01\0\0\0", 4));
  CHECK_EQUAL(REG_DWORD, type);
  CHECK(Bytes(key.get(), L"RegPlug", L"Wnd", &type) == std::string("\x0f\0\0\0", 4));
  CHECK(Bytes(key.get(), L"RegPlug", L"Std", &type) == std::string("\x03\0\0\0", 4));

  MLogPlugIn loaded(L"RegPlug", L"other");
  CHECK(loaded.RegLoad(key.get()));
  CHECK(std::wstring(loaded.GetDescription()) == L"Caf\u00e9 module");
  CHECK_EQUAL(1, loaded.GetLevel(kLogChannelFile));
  CHECK_EQUAL(15, loaded.GetLevel(kLogChannelWindow));
  CHECK_EQUAL(3, loaded.GetLevel(kLogChannelStd));
}

TEST(PlugInLoadWithMissingValues) {
  TempKey key;
  MLogManager manager;
  MLogPlugIn plugin(L"Partial", L"unchanged");
  CHECK(!plugin.RegLoad(key.get()));  // no subkey: nothing changes
  CHECK(std::wstring(plugin.GetDescription()) == L"unchanged");

  HKEY sub = nullptr;
  RegCreateKeyExW(key.get(), L"Partial", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
  SetString(sub, nullptr, Utf16(L"from the registry", false));  // stored without a terminator
  SetDword(sub, L"File", 15);
  SetDword(sub, L"Wnd", 1);
  RegSetValueExW(sub, L"Std", 0, REG_SZ, reinterpret_cast<const BYTE*>("\x07\0\0\0"), 4);
  RegCloseKey(sub);
  CHECK(!plugin.RegLoad(key.get()));  // "Std" is not a number
  CHECK(std::wstring(plugin.GetDescription()) == L"from the registry");
  CHECK_EQUAL(15, plugin.GetLevel(kLogChannelFile));
  CHECK_EQUAL(1, plugin.GetLevel(kLogChannelWindow));
  CHECK_EQUAL(7, plugin.GetLevel(kLogChannelStd));
}

TEST(ManagerSaveWithoutLogFile) {
  TempKey key;
  MLogManager manager;
  CHECK(manager.RegSave(key.get()));
  DWORD type = 0;
  CHECK(Bytes(key.get(), nullptr, L"Log File Name", &type) == std::string(2, '\0'));
  CHECK_EQUAL(REG_SZ, type);
  CHECK(Bytes(key.get(), nullptr, L"Log Debug Wnd", &type) == Utf16(L"1", true));
  CHECK(Bytes(key.get(), nullptr, L"Log Show", &type) == std::string("\xff\x0f\0\0", 4));
  CHECK_EQUAL(REG_DWORD, type);
  CHECK(Bytes(key.get(), L"Log", nullptr, &type) == Utf16(L"Application plugin", true));
  CHECK(manager.RegSave(nullptr));
  CHECK(manager.RegLoad(nullptr));
}

TEST(ManagerRoundTrip) {
  TempKey key;
  const std::string path = zb::logtest::TempPath("reg.log");
  const std::wstring wide(path.begin(), path.end());
  zb::logtest::RecordingWindow window(0x3);
  {
    MLogManager manager;
    manager.OpenLogFile(MFileName(wide.c_str()), false);
    manager.CloseLogStd();
    manager.SetShow(0x0A0);
    manager.OpenLogWnd(&window);
    window.SetOwnShow(0x6);
    manager.GetPlugIn().SetLevel(kLogChannelFile, 15);
    manager.GetPlugIn().Info(L"first run");
    CHECK(manager.RegSave(key.get()));
    manager.CloseLogWnd();
  }
  DWORD type = 0;
  CHECK(Bytes(key.get(), nullptr, L"Log File Name", &type) == Utf16(wide.c_str(), true));
  CHECK(Bytes(key.get(), nullptr, L"Log Show", &type) == std::string("\xa6\0\0\0", 4));
  {
    MLogManager manager;
    CHECK(manager.RegLoad(key.get()));
    CHECK(manager.IsLogFile());
    CHECK(!manager.IsLogStd());
    CHECK_EQUAL(0x0A6, manager.GetShow());
    CHECK_EQUAL(15, manager.GetPlugIn().GetLevel(kLogChannelFile));
    // Every plug-in's subkey was loaded after the application's: the shared file filter has the
    // lowest level of the last one (INFO), so a trace would not reach the file.
    CHECK(manager.GetPlugIn().Info(L"second run"));
  }
  // Started afresh by RegLoad, with the saved show flags' file layout ("%c|%m%n").
  CHECK_EQUAL("Log|second run\n", zb::logtest::ReadFile(path));
}

TEST(LogFileNameLengthDecidesOpenOrClose) {
  TempKey key;
  const std::string path = zb::logtest::TempPath("short.log");
  const std::wstring wide(path.begin(), path.end());
  MLogManager manager;
  manager.OpenLogFile(MFileName(wide.c_str()), false);
  SetString(key.get(), L"Log File Name", Utf16(L"x", false));  // one character, 2 bytes
  manager.RegLoad(key.get());
  CHECK(!manager.IsLogFile());

  SetString(key.get(), L"Log File Name", Utf16(wide.c_str(), false));  // no terminator stored
  manager.RegLoad(key.get());
  CHECK(manager.IsLogFile());
  manager.Error(nullptr, L"after reload");
  CHECK_EQUAL(1u, zb::logtest::Lines(zb::logtest::ReadFile(path)).size());

  SetString(key.get(), L"Log Debug Wnd", Utf16(L"0", true));
  manager.RegLoad(key.get());
  CHECK(!manager.IsLogStd());
  SetString(key.get(), L"Log Debug Wnd", Utf16(L"1", false));
  manager.RegLoad(key.get());
  CHECK(manager.IsLogStd());
}

}
