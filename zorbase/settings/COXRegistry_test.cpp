// Tests of COXRegistry and CRegUtils.
#include <zorbase/settings/COXRegistry.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <zorbase/platform/portable/registry_test_util.h>

using zb::test::TestKey;

SUITE(COXRegistry) {
  TEST(ConnectingChoosesRootsAndNames) {
    COXRegistry registry;
    CHECK(!registry.Connect(COXRegistry::keyCurrentUser(), L"OTHERPC"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_INVALID_HANDLE), registry.GetErrorCode());
    CHECK(!registry.Connect(COXRegistry::keyClassesRoot(), L"\\\\OTHERPC"));
    CHECK_EQUAL(6, registry.GetErrorCode());
    CHECK(registry.Connect(COXRegistry::keyLocalMachine(), nullptr));
    CString name;
    registry.GetRegistryName(name);
    CHECK(name == L"HKEY_LOCAL_MACHINE");
    wchar_t local[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(local, &size);
    registry.GetComputerName(name);
    CHECK(name == local);
    CHECK(!registry.Connect(COXRegistry::keyLocalMachine(), L"\\\\far-away-zb-host"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_BAD_NETPATH), registry.GetErrorCode());
    CHECK(registry.Connect(COXRegistry::keyUsers(), nullptr));
    registry.GetRegistryName(name);
    CHECK(name == L"HKEY_USERS");
    CHECK(registry.Disconnect());
    registry.GetRegistryName(name);
    CHECK(name.IsEmpty());
    CHECK(registry.Disconnect());
  }

  TEST(OpenPathCreatesWithFullAccessOnly) {
    TestKey test(L"OpenPath");
    COXRegistry registry;
    std::wstring path = test.path() + L"\\One\\Two\\Three";
    CHECK(!registry.OpenPath(path.c_str(), HKEY_CURRENT_USER, COXRegistry::permissionRead));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), registry.GetErrorCode());
    HKEY probe = nullptr;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(test.key(), L"One", 0, KEY_READ, &probe));
    CHECK(registry.OpenPath(path.c_str(), HKEY_CURRENT_USER));
    CString key_name;
    registry.GetKeyName(key_name);
    CHECK(key_name == path.c_str());
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), L"One\\Two\\Three", 0, KEY_READ, &probe));
    RegCloseKey(probe);
    CHECK(registry.OpenPath(path.c_str(), HKEY_CURRENT_USER, COXRegistry::permissionRead));
    CHECK(!registry.OpenPath(std::wstring(300, L'a').c_str(), HKEY_CURRENT_USER));
    CHECK_EQUAL(static_cast<LONG>(ERROR_INVALID_PARAMETER), registry.GetErrorCode());
    CHECK(!registry.OpenPath(nullptr, HKEY_CURRENT_USER));
    CHECK_EQUAL(87, registry.GetErrorCode());
  }

  TEST(CheckAndOpenKeyForWriteOnAReadOnlyKey) {
    TestKey test(L"CheckWrite");
    HKEY locked = nullptr;
    RegCreateKeyExW(test.key(), L"Locked", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &locked, nullptr);
    std::vector<BYTE> read_only = zb::platform::MakeKeySecurityDescriptor(KEY_READ);
    CHECK_EQUAL(ERROR_SUCCESS, RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, read_only.data()));
    RegCloseKey(locked);
    COXRegistry registry;
    CHECK(registry.Connect(HKEY_CURRENT_USER));
    CHECK(!registry.CheckAndOpenKeyForWrite((test.path() + L"\\Locked").c_str()));
    CHECK_EQUAL(static_cast<LONG>(ERROR_ACCESS_DENIED), registry.GetErrorCode());
    CHECK(registry.CheckAndOpenKeyForWrite((test.path() + L"\\Writable").c_str()));
    CHECK(registry.CheckAndOpenKeyForWrite((test.path() + L"\\Writable").c_str()));
  }

  TEST(TypedValuesAndStatistics) {
    TestKey test(L"Typed");
    COXRegistry registry;
    CHECK(registry.Connect(HKEY_CURRENT_USER));
    CHECK(registry.OpenKey(test.path().c_str()));
    CHECK(registry.SetStringValue(L"Text", CString(L"hello")));
    CHECK(registry.SetDoubleWordValue(L"Number", 77));
    CByteArray bytes;
    bytes.SetSize(10);
    bytes[9] = 0xEE;
    CHECK(registry.SetBinaryValue(L"Bytes", bytes));
    CString text = L"stale";
    CHECK(!registry.GetStringValue(L"Number", text));
    CHECK(text.IsEmpty());
    DWORD number = 5;
    CHECK(!registry.GetDoubleWordValue(L"Text", number));
    CHECK_EQUAL(5u, number);
    CHECK(registry.GetValue(L"Number", number));
    CHECK_EQUAL(77u, number);
    CHECK(registry.GetValue(L"Text", text));
    CHECK(text == L"hello");
    COXRegistry::KeyValueTypes type = COXRegistry::typeNone;
    BYTE raw[16];
    DWORD size = sizeof(raw);
    CHECK(registry.QueryValue(L"Text", type, raw, size));
    CHECK_EQUAL(COXRegistry::typeString, type);
    CHECK_EQUAL(12u, size);
    // Binary data longer than the statistics of the last QueryInfo still reads.
    CByteArray back;
    CHECK(registry.GetBinaryValue(L"Bytes", back));
    CHECK_EQUAL(10, back.GetSize());
    CHECK_EQUAL(0xEE, back[9]);
    CHECK(!registry.GetBinaryValue(L"Text", back));
    CHECK_EQUAL(10, back.GetSize());
    CHECK(registry.QueryInfo());
    CHECK_EQUAL(3u, registry.GetNumberOfValues());
    CHECK_EQUAL(0u, registry.GetNumberOfSubkeys());
    CString name;
    CHECK(registry.EnumerateValues(1, name, type, raw, size = sizeof(raw)));
    CHECK(name == L"Number");
    CHECK_EQUAL(COXRegistry::typeDoubleWord, type);
    CHECK(!registry.EnumerateValues(3, name, type, raw, size = sizeof(raw)));
    CHECK_EQUAL(static_cast<LONG>(ERROR_NO_MORE_ITEMS), registry.GetErrorCode());
    CHECK(registry.DeleteValue(L"Text"));
    CHECK(!registry.DeleteValue(L"Text"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), registry.GetErrorCode());
    CHECK(registry.FlushRegistry());
  }

  TEST(DeleteKeyLeavesTheParentOpen) {
    TestKey test(L"DeleteKey");
    COXRegistry registry;
    std::wstring path = test.path() + L"\\A\\B\\C";
    CHECK(registry.OpenPath(path.c_str(), HKEY_CURRENT_USER));
    CHECK(registry.DeleteKey(path.c_str()));
    CString key_name;
    registry.GetKeyName(key_name);
    CHECK(key_name == (test.path() + L"\\A\\B").c_str());
    CHECK_EQUAL(1u, registry.GetNumberOfSubkeys());  // cached by the opening
    CHECK(registry.QueryInfo());
    CHECK_EQUAL(0u, registry.GetNumberOfSubkeys());
    HKEY probe = nullptr;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(test.key(), L"A\\B\\C", 0, KEY_READ, &probe));
    CHECK(!registry.DeleteKey((test.path() + L"\\A").c_str()));  // A has a sub-key
    CHECK(!registry.DeleteKey((test.path() + L"\\Missing\\X").c_str()));
    registry.GetKeyName(key_name);
    CHECK(key_name == test.path().c_str());
    CHECK(registry.OpenKey((test.path() + L"\\A").c_str()));
    CHECK(registry.DeleteKey(L"B"));
    CString name, class_name;
    CHECK(!registry.EnumerateKeys(0, name, class_name));
  }

  TEST(NullPointersAndMissingKeys) {
    COXRegistry registry;
    CHECK(!registry.OpenKey(L"x"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_INVALID_HANDLE), registry.GetErrorCode());
    CHECK(registry.Connect(HKEY_CURRENT_USER));
    CHECK(!registry.OpenKey(nullptr));
    CHECK_EQUAL(87, registry.GetErrorCode());
    CHECK(!registry.CreateKey(nullptr));
    CHECK_EQUAL(87, registry.GetErrorCode());
    CHECK(!registry.SaveToFile(nullptr));
    CHECK_EQUAL(87, registry.GetErrorCode());
    CHECK(!registry.SetValue(L"x", DWORD(1)));
    CHECK_EQUAL(static_cast<LONG>(ERROR_INVALID_HANDLE), registry.GetErrorCode());
    CHECK(!registry.OpenKey(L"Software\\ZorBaseTests\\NoSuchKey"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), registry.GetErrorCode());
  }

  TEST(CreateKeyReportsDispositionAndClass) {
    TestKey test(L"CreateKey");
    COXRegistry registry;
    CHECK(registry.Connect(HKEY_CURRENT_USER));
    DWORD disposition = 0;
    std::wstring path = test.path() + L"\\Made";
    CHECK(registry.CreateKey(path.c_str(), L"Kind", COXRegistry::optionsNonVolatile, COXRegistry::permissionAllAccess,
                             nullptr, &disposition));
    CHECK_EQUAL(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    CHECK(registry.CreateKey(path.c_str(), nullptr, COXRegistry::optionsNonVolatile, COXRegistry::permissionAllAccess,
                             nullptr, &disposition));
    CHECK_EQUAL(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    CHECK(registry.QueryInfo());
    CString class_name;
    registry.GetClassName(class_name);
    CHECK(class_name == L"Kind");
    CHECK(registry.OpenKey(test.path().c_str(), COXRegistry::permissionRead));
    CString name;
    CHECK(registry.EnumerateKeys(0, name, class_name));
    CHECK(name == L"Made");
    CHECK(class_name == L"Kind");
  }

  TEST(SaveRestoreAndNotify) {
    TestKey test(L"OXFiles");
    COXRegistry registry;
    CHECK(registry.Connect(HKEY_CURRENT_USER));
    CHECK(registry.OpenKey(test.path().c_str()));
    CHECK(registry.SetValue(L"Kept", DWORD(1)));
    std::string file = zb::test::TestRootPath("ox_save.reg");
    std::remove(file.c_str());
    std::wstring wide_file(file.begin(), file.end());
    CHECK(registry.SaveToFile(wide_file.c_str()));
    CHECK(!registry.SaveToFile(wide_file.c_str()));
    CHECK_EQUAL(static_cast<LONG>(ERROR_ALREADY_EXISTS), registry.GetErrorCode());
    CHECK(registry.SetValue(L"Later", DWORD(2)));
    CHECK(registry.RestoreFromFile(wide_file.c_str()));
    DWORD value = 0;
    CHECK(!registry.GetValue(L"Later", value));
    CHECK(registry.GetValue(L"Kept", value));
    HANDLE event = zb::platform::CreateRegistryEvent(true, false);
    CHECK(registry.NotifyChange(event));
    CHECK(registry.SetValue(L"Poke", DWORD(3)));
    CHECK(zb::platform::WaitRegistryEvent(event, 0));
    zb::platform::CloseRegistryEvent(event);
    DWORD size = 0;
    CHECK(!registry.GetSecurity(DACL_SECURITY_INFORMATION, nullptr, size));
    CHECK_EQUAL(static_cast<LONG>(ERROR_INSUFFICIENT_BUFFER), registry.GetErrorCode());
    std::vector<BYTE> sd(size);
    CHECK(registry.GetSecurity(DACL_SECURITY_INFORMATION, sd.data(), size));
    CHECK(registry.SetSecurity(DACL_SECURITY_INFORMATION, sd.data()));
  }

  TEST(RuntimeClassIsCOXRegistry) {
    COXRegistry registry;
    CHECK(registry.IsKindOf(RUNTIME_CLASS(COXRegistry)));
    CHECK(registry.IsKindOf(RUNTIME_CLASS(CObject)));
    CHECK_EQUAL("COXRegistry", registry.GetRuntimeClass()->m_lpszClassName);
  }
}

SUITE(CRegUtils) {
  TEST(SaveLoadAndSize) {
    TestKey test(L"RegUtils");
    CString key = (test.path() + L"\\Nested").c_str();
    const char bytes[] = "\x01\x02\x03";
    CHECK(CRegUtils::SaveRegKey(key, L"Bin", bytes, 3));
    CHECK(CRegUtils::SaveRegKey(key, L"Text", CString(L"some text")));
    CHECK_EQUAL(3, CRegUtils::GetRegKeySize(key, L"Bin"));
    CHECK_EQUAL(20, CRegUtils::GetRegKeySize(key, L"Text"));
    CHECK_EQUAL(-1, CRegUtils::GetRegKeySize(key, L"Missing"));
    CHECK_EQUAL(-1, CRegUtils::GetRegKeySize(L"Software\\ZorBaseTests\\NoKey", L"Bin"));
    char back[3] = {0};
    CHECK(CRegUtils::LoadRegKey(key, L"Bin", back, 3));
    CHECK_EQUAL(3, back[2]);
    char tiny[2];
    CHECK(!CRegUtils::LoadRegKey(key, L"Bin", tiny, 2));
    CString text;
    CHECK(CRegUtils::LoadRegKey(key, L"Text", text));
    CHECK(text == L"some text");
    CHECK(CRegUtils::SaveRegKey(key, L"Long", CString(std::wstring(300, L'x').c_str())));
    CHECK(!CRegUtils::LoadRegKey(key, L"Long", text));
    CHECK(text == L"some text");
  }
}
