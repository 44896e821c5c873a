// Tests of the Win32 registry calls over the SQLite store.
#include <zorbase/platform/registry.h>

#include <UnitTest++/UnitTest++.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/registry_test_util.h>

using zb::test::DwordData;
using zb::test::SzData;
using zb::test::TestKey;
using zb::test::TestRootPath;

namespace {

LONG SetBytes(HKEY key, const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
  return RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

std::vector<BYTE> Query(HKEY key, const wchar_t* name, DWORD* type = nullptr, LONG* status = nullptr) {
  DWORD size = 0;
  DWORD kind = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &kind, nullptr, &size);
  std::vector<BYTE> data(size);
  if (result == ERROR_SUCCESS) result = RegQueryValueExW(key, name, nullptr, &kind, data.data(), &size);
  if (type != nullptr) *type = kind;
  if (status != nullptr) *status = result;
  return data;
}

std::wstring EnumKeyName(HKEY key, DWORD index, LONG* status) {
  wchar_t name[300];
  DWORD size = 300;
  *status = RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
  return *status == ERROR_SUCCESS ? std::wstring(name, size) : std::wstring();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

SUITE(Registry) {
  TEST(CreateReportsDispositionAndKeepsFirstSpelling) {
    TestKey test(L"Create");
    HKEY key = nullptr;
    DWORD disposition = 0;
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(test.key(), L"Alpha\\Beta", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               &key, &disposition));
    CHECK_EQUAL(REG_CREATED_NEW_KEY, disposition);
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(test.key(), L"ALPHA\\beta\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               &key, &disposition));
    CHECK_EQUAL(REG_OPENED_EXISTING_KEY, disposition);
    RegCloseKey(key);
    LONG status = 0;
    CHECK(EnumKeyName(test.key(), 0, &status) == L"Alpha");
    HKEY alpha = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), L"alpha", 0, KEY_READ, &alpha));
    CHECK(EnumKeyName(alpha, 0, &status) == L"Beta");
    EnumKeyName(alpha, 1, &status);
    CHECK_EQUAL(ERROR_NO_MORE_ITEMS, static_cast<DWORD>(status));
    RegCloseKey(alpha);
  }

  TEST(MalformedPathsAndMissingKeys) {
    TestKey test(L"Paths");
    HKEY key = nullptr;
    CHECK_EQUAL(161, RegCreateKeyExW(test.key(), L"\\Lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    CHECK_EQUAL(161, RegCreateKeyExW(test.key(), L"A\\\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    CHECK_EQUAL(ERROR_INVALID_PARAMETER,
                RegCreateKeyExW(test.key(), std::wstring(256, L'x').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(test.key(), L"Missing\\Deeper", 0, KEY_READ, &key));
    CHECK(key == nullptr);
  }

  TEST(OpenWithEmptyNameHandsBackTheSameHandle) {
    TestKey test(L"SameHandle");
    HKEY same = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyW(test.key(), nullptr, &same));
    CHECK(same == test.key());
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyW(test.key(), L"", &same));
    CHECK(same == test.key());
    HKEY fresh = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), nullptr, 0, KEY_READ, &fresh));
    CHECK(fresh != test.key());
    CHECK_EQUAL(ERROR_SUCCESS, RegCloseKey(fresh));
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegCloseKey(fresh));
    CHECK_EQUAL(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  }

  TEST(ValuesKeepWindowsSizesAndTypes) {
    TestKey test(L"Values");
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(test.key(), L"Text", REG_SZ, SzData(L"hello")));
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(test.key(), L"Number", REG_DWORD, DwordData(42)));
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(test.key(), L"Empty", REG_BINARY, {}));
    DWORD type = 0;
    DWORD size = 0;
    CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(test.key(), L"text", nullptr, &type, nullptr, &size));
    CHECK_EQUAL(REG_SZ, type);
    CHECK_EQUAL(12u, size);  // 2 x (5 + 1)
    BYTE small[4];
    size = sizeof(small);
    CHECK_EQUAL(ERROR_MORE_DATA, RegQueryValueExW(test.key(), L"Text", nullptr, &type, small, &size));
    CHECK_EQUAL(12u, size);
    CHECK(Query(test.key(), L"TEXT") == SzData(L"hello"));
    CHECK(Query(test.key(), L"Number", &type) == DwordData(42));
    CHECK_EQUAL(REG_DWORD, type);
    LONG status = 0;
    CHECK(Query(test.key(), L"Empty", &type, &status).empty());
    CHECK_EQUAL(ERROR_SUCCESS, status);
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(test.key(), nullptr, nullptr, nullptr, nullptr, &size));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(test.key(), L"Nope", nullptr, nullptr, nullptr, &size));
    CHECK_EQUAL(ERROR_INVALID_PARAMETER, RegQueryValueExW(test.key(), L"Text", nullptr, nullptr, small, nullptr));
    CHECK_EQUAL(ERROR_NOACCESS, RegSetValueExW(test.key(), L"X", 0, REG_BINARY, nullptr, 4));
    // Rewriting with another spelling keeps the first spelling and the position.
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(test.key(), L"TEXT", REG_SZ, SzData(L"again")));
    wchar_t name[32];
    DWORD name_size = 32;
    CHECK_EQUAL(ERROR_SUCCESS, RegEnumValueW(test.key(), 0, name, &name_size, nullptr, &type, nullptr, nullptr));
    CHECK(std::wstring(name) == L"Text");
    CHECK_EQUAL(4u, name_size);
  }

  TEST(DefaultValueAndDeletion) {
    TestKey test(L"Default");
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(test.key(), nullptr, REG_SZ, SzData(L"dflt")));
    CHECK(Query(test.key(), L"") == SzData(L"dflt"));
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteValueW(test.key(), L""));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegDeleteValueW(test.key(), L""));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegDeleteValueW(test.key(), L"never"));
  }

  TEST(EnumerationOrders) {
    TestKey test(L"Order");
    const wchar_t* keys[] = {L"beta", L"Alpha", L"gamma", L"DELTA"};
    for (const wchar_t* name : keys) {
      HKEY key = nullptr;
      RegCreateKeyW(test.key(), name, &key);
      RegCloseKey(key);
    }
    const wchar_t* expected_keys[] = {L"Alpha", L"beta", L"DELTA", L"gamma"};
    for (DWORD i = 0; i < 4; ++i) {
      LONG status = 0;
      CHECK(EnumKeyName(test.key(), i, &status) == expected_keys[i]);
    }
    const wchar_t* values[] = {L"z", L"a", L"M"};
    for (const wchar_t* name : values) SetBytes(test.key(), name, REG_DWORD, DwordData(1));
    for (DWORD i = 0; i < 3; ++i) {
      wchar_t name[8];
      DWORD size = 8;
      CHECK_EQUAL(ERROR_SUCCESS, RegEnumValueW(test.key(), i, name, &size, nullptr, nullptr, nullptr, nullptr));
      CHECK(std::wstring(name) == values[i]);
    }
    wchar_t tiny[2];
    DWORD tiny_size = 2;
    CHECK_EQUAL(ERROR_MORE_DATA, RegEnumKeyExW(test.key(), 0, tiny, &tiny_size, nullptr, nullptr, nullptr, nullptr));
    tiny_size = 1;
    CHECK_EQUAL(ERROR_MORE_DATA, RegEnumValueW(test.key(), 0, tiny, &tiny_size, nullptr, nullptr, nullptr, nullptr));
    DWORD size = 8;
    CHECK_EQUAL(ERROR_NO_MORE_ITEMS, RegEnumValueW(test.key(), 3, tiny, &size, nullptr, nullptr, nullptr, nullptr));
  }

  TEST(QueryInfoReportsCountsLengthsClassAndTime) {
    TestKey test(L"Info");
    HKEY child = nullptr;
    wchar_t class_name[] = L"MyClass";
    RegCreateKeyExW(test.key(), L"LongerChildName", 0, class_name, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    RegCloseKey(child);
    SetBytes(test.key(), L"ValueName", REG_BINARY, std::vector<BYTE>(33, 7));
    SetBytes(test.key(), L"V", REG_SZ, SzData(L"x"));
    DWORD sub_keys = 0, max_sub = 0, max_class = 0, values = 0, max_name = 0, max_data = 0, sd_size = 0;
    FILETIME written = {0, 0};
    CHECK_EQUAL(ERROR_SUCCESS, RegQueryInfoKeyW(test.key(), nullptr, nullptr, nullptr, &sub_keys, &max_sub, &max_class,
                                                &values, &max_name, &max_data, &sd_size, &written));
    CHECK_EQUAL(1u, sub_keys);
    CHECK_EQUAL(15u, max_sub);
    CHECK_EQUAL(7u, max_class);
    CHECK_EQUAL(2u, values);
    CHECK_EQUAL(9u, max_name);
    CHECK_EQUAL(33u, max_data);
    CHECK(sd_size > 20);
    CHECK(written.dwHighDateTime > 0x01D00000u);  // after the year 2014
    HKEY opened = nullptr;
    RegOpenKeyExW(test.key(), L"longerchildname", 0, KEY_READ, &opened);
    wchar_t got[16];
    DWORD got_size = 16;
    CHECK_EQUAL(ERROR_SUCCESS, RegQueryInfoKeyW(opened, got, &got_size, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr));
    CHECK(std::wstring(got) == L"MyClass");
    CHECK_EQUAL(7u, got_size);
    RegCloseKey(opened);
  }

  TEST(DeletingKeys) {
    TestKey test(L"Delete");
    HKEY key = nullptr;
    RegCreateKeyW(test.key(), L"A\\B\\C", &key);
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegDeleteKeyW(test.key(), L"A"));
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteKeyW(test.key(), L"A\\B\\C"));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(test.key(), L"A\\B\\C"));
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteTreeW(test.key(), L"A"));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(test.key(), L"A", 0, KEY_READ, &key));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, L""));
  }

  TEST(HandleOfDeletedKeyReportsKeyDeleted) {
    TestKey test(L"Deleted");
    HKEY key = nullptr;
    RegCreateKeyExW(test.key(), L"Gone", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteKeyW(test.key(), L"Gone"));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_KEY_DELETED, RegQueryValueExW(key, L"x", nullptr, nullptr, nullptr, &size));
    CHECK_EQUAL(ERROR_KEY_DELETED, SetBytes(key, L"x", REG_DWORD, DwordData(1)));
    RegCloseKey(key);
  }

  TEST(AccessMasksAreChecked) {
    TestKey test(L"Access");
    HKEY reader = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, test.path().c_str(), 0, KEY_READ, &reader));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, SetBytes(reader, L"x", REG_DWORD, DwordData(1)));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegDeleteValueW(reader, L"x"));
    HKEY child = nullptr;
    CHECK_EQUAL(ERROR_ACCESS_DENIED,
                RegCreateKeyExW(reader, L"New", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr));
    HKEY writer = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, test.path().c_str(), 0, KEY_SET_VALUE, &writer));
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(writer, L"x", REG_DWORD, DwordData(1)));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegQueryValueExW(writer, L"x", nullptr, nullptr, nullptr, &size));
    LONG status = 0;
    EnumKeyName(writer, 0, &status);
    CHECK_EQUAL(ERROR_ACCESS_DENIED, static_cast<DWORD>(status));
    RegCloseKey(reader);
    RegCloseKey(writer);
  }

  TEST(SecurityMakesAKeyReadOnlyForTheUser) {
    TestKey test(L"Security");
    HKEY key = nullptr;
    RegCreateKeyExW(test.key(), L"Locked", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::vector<BYTE> read_only = zb::platform::MakeKeySecurityDescriptor(KEY_READ);
    CHECK_EQUAL(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only.data()));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegOpenKeyExW(test.key(), L"Locked", 0, KEY_ALL_ACCESS, &key));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegOpenKeyExW(test.key(), L"Locked\\", 0, KEY_SET_VALUE, &key));
    // Keys below inherit the protection.
    HKEY child = nullptr;
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegCreateKeyExW(test.key(), L"Locked\\Child", 0, nullptr, 0, KEY_ALL_ACCESS,
                                                     nullptr, &child, nullptr));
    // MAXIMUM_ALLOWED opens it with what is allowed: reading works, writing does not.
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyW(test.key(), L"Locked", &key));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"x", nullptr, nullptr, nullptr, &size));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, SetBytes(key, L"x", REG_DWORD, DwordData(1)));
    // The descriptor reads back; the owner may still give full access back.
    DWORD sd_size = 0;
    CHECK_EQUAL(ERROR_INSUFFICIENT_BUFFER, RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &sd_size));
    std::vector<BYTE> sd(sd_size);
    CHECK_EQUAL(ERROR_SUCCESS, RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, sd.data(), &sd_size));
    std::vector<BYTE> full = zb::platform::MakeKeySecurityDescriptor(KEY_ALL_ACCESS);
    CHECK_EQUAL(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, full.data()));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), L"Locked", 0, KEY_ALL_ACCESS, &key));
    RegCloseKey(key);
    BYTE garbage[20] = {9};
    CHECK_EQUAL(ERROR_INVALID_SECURITY_DESCR, RegSetKeySecurity(test.key(), DACL_SECURITY_INFORMATION, garbage));
  }

  TEST(InvalidHandles) {
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegQueryValueExW(bogus, L"x", nullptr, nullptr, nullptr, &size));
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegSetValueExW(nullptr, L"x", 0, REG_DWORD, nullptr, 0));
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegCloseKey(bogus));
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegOpenKeyExW(HKEY_PERFORMANCE_DATA, L"x", 0, KEY_READ, &key));
  }

  TEST(ConnectingToComputers) {
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &key));
    CHECK(key == HKEY_LOCAL_MACHINE);
    CHECK_EQUAL(ERROR_SUCCESS, RegConnectRegistryW(nullptr, HKEY_CURRENT_USER, &key));
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    CHECK(GetComputerNameW(name, &size));
    CHECK_EQUAL(ERROR_SUCCESS, RegConnectRegistryW((L"\\\\" + std::wstring(name)).c_str(), HKEY_LOCAL_MACHINE, &key));
    CHECK_EQUAL(ERROR_SUCCESS, RegConnectRegistryW(L"localhost", HKEY_USERS, &key));
    CHECK_EQUAL(ERROR_INVALID_HANDLE, RegConnectRegistryW(L"localhost", HKEY_CURRENT_USER, &key));
    CHECK_EQUAL(ERROR_BAD_NETPATH, RegConnectRegistryW(L"\\\\no-such-machine-zb", HKEY_LOCAL_MACHINE, &key));
  }

  TEST(ComputerNameFollowsWindowsRules) {
    DWORD size = 1;
    wchar_t one[1];
    SetLastError(0);
    CHECK(!GetComputerNameW(one, &size));
    CHECK_EQUAL(ERROR_BUFFER_OVERFLOW, GetLastError());
    CHECK(size >= 2);
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    size = MAX_COMPUTERNAME_LENGTH + 1;
    CHECK(GetComputerNameW(name, &size));
    CHECK(size <= MAX_COMPUTERNAME_LENGTH);
    CHECK_EQUAL(size, static_cast<DWORD>(std::wcslen(name)));
    for (DWORD i = 0; i < size; ++i) CHECK(!(name[i] >= L'a' && name[i] <= L'z'));
  }

  TEST(ClassesRootIsTheMachinesSoftwareClasses) {
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, L".zbtest", &key));
    CHECK_EQUAL(ERROR_SUCCESS, SetBytes(key, nullptr, REG_SZ, SzData(L"ZorBase.Test")));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.ZBTEST", 0, KEY_READ, &key));
    CHECK(Query(key, nullptr) == SzData(L"ZorBase.Test"));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, L".zbtest"));
  }

#ifndef _WIN32  // Linux processes, links or permissions
  TEST(UsersRootListsDefaultAndTheUser) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
      LONG status = 0;
      std::wstring name = EnumKeyName(HKEY_USERS, i, &status);
      if (status != ERROR_SUCCESS) break;
      names.push_back(name);
    }
    std::string sid = "S-1-22-1-" + std::to_string(getuid());
    CHECK(names.size() >= 2);
    bool has_default = false, has_user = false;
    for (const auto& name : names) {
      has_default = has_default || name == L".DEFAULT";
      has_user = has_user || name == Wide(sid);
    }
    CHECK(has_default && has_user);
    // The user's SID below HKEY_USERS is the current user's hive.
    TestKey test(L"Users");
    SetBytes(test.key(), L"Marker", REG_DWORD, DwordData(7));
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS,
                RegOpenKeyExW(HKEY_USERS, (Wide(sid) + L"\\" + test.path()).c_str(), 0, KEY_READ, &key));
    CHECK(Query(key, L"Marker") == DwordData(7));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegCreateKeyW(HKEY_USERS, L"NewTopLevel", &key));
  }
#endif

  TEST(VolatileKeysOnlyHaveVolatileChildren) {
    TestKey test(L"Volatile");
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(test.key(), L"Temp", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    HKEY child = nullptr;
    CHECK_EQUAL(ERROR_CHILD_MUST_BE_VOLATILE,
                RegCreateKeyExW(key, L"Stable", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr));
    CHECK_EQUAL(ERROR_SUCCESS,
                RegCreateKeyExW(key, L"Fleeting", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &child, nullptr));
    RegCloseKey(child);
    RegCloseKey(key);
  }

  TEST(NotificationSignalsTheEvent) {
    TestKey test(L"Notify");
    HKEY child = nullptr;
    RegCreateKeyW(test.key(), L"Sub", &child);
    HANDLE event = zb::platform::CreateRegistryEvent(false, false);
    CHECK_EQUAL(ERROR_SUCCESS, RegNotifyChangeKeyValue(test.key(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE));
    // A change below the key does not concern a watch without subtree.
    SetBytes(child, L"x", REG_DWORD, DwordData(1));
    CHECK(!zb::platform::WaitRegistryEvent(event, 0));
    SetBytes(test.key(), L"x", REG_DWORD, DwordData(1));
    CHECK(zb::platform::WaitRegistryEvent(event, 0));
    // One signal per registration.
    SetBytes(test.key(), L"y", REG_DWORD, DwordData(1));
    CHECK(!zb::platform::WaitRegistryEvent(event, 0));
    CHECK_EQUAL(ERROR_SUCCESS, RegNotifyChangeKeyValue(test.key(), TRUE, REG_NOTIFY_CHANGE_NAME, event, TRUE));
    SetBytes(child, L"z", REG_DWORD, DwordData(1));
    CHECK(!zb::platform::WaitRegistryEvent(event, 0));
    HKEY grandchild = nullptr;
    RegCreateKeyW(child, L"Deeper", &grandchild);
    RegCloseKey(grandchild);
    CHECK(zb::platform::WaitRegistryEvent(event, 0));
    // Closing the watched key signals a pending registration.
    CHECK_EQUAL(ERROR_SUCCESS, RegNotifyChangeKeyValue(child, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE));
    RegCloseKey(child);
    CHECK(zb::platform::WaitRegistryEvent(event, 0));
    CHECK_EQUAL(ERROR_INVALID_HANDLE,
                RegNotifyChangeKeyValue(test.key(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, test.key(), TRUE));
    CHECK_EQUAL(ERROR_INVALID_PARAMETER, RegNotifyChangeKeyValue(test.key(), FALSE, 0, event, TRUE));
    zb::platform::CloseRegistryEvent(event);
  }

  TEST(SaveAndRestoreThroughRegFiles) {
    TestKey test(L"Save");
    HKEY sub = nullptr;
    RegCreateKeyW(test.key(), L"Sub", &sub);
    SetBytes(sub, L"Text", REG_SZ, SzData(L"a \"quoted\" \\ text"));
    SetBytes(test.key(), L"Bin", REG_BINARY, std::vector<BYTE>(100, 0xAB));
    RegCloseKey(sub);
    std::string file = TestRootPath("save_restore.reg");
    unlink(file.c_str());
    CHECK_EQUAL(ERROR_SUCCESS, RegSaveKeyW(test.key(), Wide(file).c_str(), nullptr));
    CHECK_EQUAL(ERROR_ALREADY_EXISTS, RegSaveKeyW(test.key(), Wide(file).c_str(), nullptr));
    TestKey copy(L"Restored");
    SetBytes(copy.key(), L"Old", REG_DWORD, DwordData(1));
    CHECK_EQUAL(ERROR_SUCCESS, RegRestoreKeyW(copy.key(), Wide(file).c_str(), 0));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(copy.key(), L"Old", nullptr, nullptr, nullptr, &size));
    CHECK(Query(copy.key(), L"Bin") == std::vector<BYTE>(100, 0xAB));
    HKEY restored = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(copy.key(), L"Sub", 0, KEY_READ, &restored));
    CHECK(Query(restored, L"Text") == SzData(L"a \"quoted\" \\ text"));
    RegCloseKey(restored);
    std::string junk = TestRootPath("junk.reg");
    std::ofstream(junk) << "not a registry file\n";
    CHECK_EQUAL(ERROR_NOT_REGISTRY_FILE, RegRestoreKeyW(copy.key(), Wide(junk).c_str(), 0));
    CHECK(Query(copy.key(), L"Bin") == std::vector<BYTE>(100, 0xAB));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegRestoreKeyW(copy.key(), L"/nonexistent/zb.reg", 0));
  }

  TEST(LoadAndUnloadAHive) {
    std::string file = TestRootPath("loaded.reg");
    std::ofstream(file) << "REGEDIT4\n\n[HKEY_USERS\\Anything]\n\"Greeting\"=\"hi\"\n\n"
                        << "[HKEY_USERS\\Anything\\Child]\n\"N\"=dword:00000005\n";
    CHECK_EQUAL(ERROR_INVALID_PARAMETER, RegLoadKeyW(HKEY_CURRENT_USER, L"Mounted", Wide(file).c_str()));
    CHECK_EQUAL(ERROR_SUCCESS, RegLoadKeyW(HKEY_USERS, L"Mounted", Wide(file).c_str()));
    CHECK_EQUAL(ERROR_ALREADY_EXISTS, RegLoadKeyW(HKEY_USERS, L"mounted", Wide(file).c_str()));
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_USERS, L"MOUNTED\\Child", 0, KEY_ALL_ACCESS, &key));
    CHECK(Query(key, L"N") == DwordData(5));
    SetBytes(key, L"Added", REG_DWORD, DwordData(9));
    CHECK_EQUAL(ERROR_ACCESS_DENIED, RegUnLoadKeyW(HKEY_USERS, L"Mounted"));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegUnLoadKeyW(HKEY_USERS, L"Mounted"));
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_USERS, L"Mounted", 0, KEY_READ, &key));
    // The change went back to the file.
    CHECK_EQUAL(ERROR_SUCCESS, RegLoadKeyW(HKEY_LOCAL_MACHINE, L"Again", Wide(file).c_str()));
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Again\\Child", 0, KEY_READ, &key));
    CHECK(Query(key, L"Added") == DwordData(9));
    RegCloseKey(key);
    CHECK_EQUAL(ERROR_SUCCESS, RegUnLoadKeyW(HKEY_LOCAL_MACHINE, L"Again"));
  }

  TEST(ReplaceSavesTheOldContents) {
    TestKey test(L"Replace");
    SetBytes(test.key(), L"Before", REG_DWORD, DwordData(1));
    std::string new_file = TestRootPath("replace_new.reg");
    std::string old_file = TestRootPath("replace_old.reg");
    unlink(old_file.c_str());
    std::ofstream(new_file) << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n\"After\"=dword:2\n";
    CHECK_EQUAL(ERROR_SUCCESS,
                RegReplaceKeyW(HKEY_CURRENT_USER, test.path().c_str(), Wide(new_file).c_str(), Wide(old_file).c_str()));
    CHECK(Query(test.key(), L"After") == DwordData(2));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(test.key(), L"Before", nullptr, nullptr, nullptr, &size));
    TestKey back(L"ReplaceBack");
    CHECK_EQUAL(ERROR_SUCCESS, RegRestoreKeyW(back.key(), Wide(old_file).c_str(), 0));
    CHECK(Query(back.key(), L"Before") == DwordData(1));
  }

  TEST(ImportAppliesDeletionsAndRefusesBadFilesWhole) {
    TestKey test(L"Import");
    std::wstring base = L"HKEY_CURRENT_USER\\" + test.path();
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n[" + base + L"\\Keep]\r\n\"a\"=dword:1\r\n\"b\"=\"x\"\r\n\r\n[" +
                        base + L"\\Drop]\r\n\"c\"=hex:01\r\n";
    std::string bytes = zb::platform::WideToUtf8(text);
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ImportRegistryText(bytes.data(), bytes.size(), nullptr));
    std::wstring removal = L"REGEDIT4\r\n[-" + base + L"\\Drop]\r\n[HKCU\\" + test.path() + L"\\Keep]\r\n\"b\"=-\r\n";
    bytes = zb::platform::WideToUtf8(removal);
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ImportRegistryText(bytes.data(), bytes.size(), nullptr));
    HKEY key = nullptr;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(test.key(), L"Drop", 0, KEY_READ, &key));
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), L"Keep", 0, KEY_READ, &key));
    DWORD size = 0;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"b", nullptr, nullptr, nullptr, &size));
    CHECK(Query(key, L"a") == DwordData(1));
    RegCloseKey(key);
    // A bad line anywhere changes nothing.
    std::wstring bad = L"REGEDIT4\r\n[" + base + L"\\Keep]\r\n\"a\"=dword:2\r\n\"oops\r\n";
    bytes = zb::platform::WideToUtf8(bad);
    std::string problem;
    CHECK_EQUAL(ERROR_NOT_REGISTRY_FILE, zb::platform::ImportRegistryText(bytes.data(), bytes.size(), &problem));
    CHECK_EQUAL(std::string("line 4: unterminated value name"), problem);
    RegOpenKeyExW(test.key(), L"Keep", 0, KEY_READ, &key);
    CHECK(Query(key, L"a") == DwordData(1));
    RegCloseKey(key);
  }

  TEST(ImportByLineSkipsBadLinesAndNamesWhatCannotBeWritten) {
    TestKey test(L"ImportLines");
    const std::string base = "HKEY_CURRENT_USER\\" + zb::platform::WideToUtf8(test.path());
    // Line 4 is malformed; nothing can be created directly below HKEY_USERS (lines 5 and 6).
    const std::string text = "REGEDIT4\n[" + base + "]\n\"a\"=dword:1\n\"b\"=dword:zz\n[HKEY_USERS\\NoSuchHive]\n"
                             "\"c\"=dword:3\n[" + base + "\\Sub]\n\"d\"=dword:4\n";
    std::vector<zb::platform::RegistryImportProblem> problems;
    CHECK_EQUAL(ERROR_ACCESS_DENIED, zb::platform::ImportRegistryLines(text.data(), text.size(), false, &problems));
    CHECK_EQUAL(3u, problems.size());
    if (problems.size() == 3) {
      CHECK_EQUAL(4, problems[0].line);
      CHECK_EQUAL(0, problems[0].status);
      CHECK_EQUAL(std::string("bad dword"), problems[0].reason);
      CHECK_EQUAL(5, problems[1].line);
      CHECK_EQUAL(ERROR_ACCESS_DENIED, problems[1].status);
      CHECK_EQUAL(std::string("Access is denied."), problems[1].reason);
      CHECK_EQUAL(6, problems[2].line);
    }
    CHECK(Query(test.key(), L"a") == DwordData(1));
    HKEY sub = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(test.key(), L"Sub", 0, KEY_READ, &sub));
    CHECK(Query(sub, L"d") == DwordData(4));
    RegCloseKey(sub);

    // Strict: the bad line refuses the whole file, so nothing changes.
    const std::string again = "REGEDIT4\n[" + base + "]\n\"a\"=dword:2\n\"b\"=dword:zz\n";
    CHECK_EQUAL(ERROR_NOT_REGISTRY_FILE, zb::platform::ImportRegistryLines(again.data(), again.size(), true, &problems));
    CHECK_EQUAL(1u, problems.size());
    CHECK(Query(test.key(), L"a") == DwordData(1));
    // Without it the good lines go in.
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ImportRegistryLines(again.data(), again.size(), false, &problems));
    CHECK(Query(test.key(), L"a") == DwordData(2));
  }

  TEST(ParseRegistryPathKnowsBothRootForms) {
    struct Case {
      const wchar_t* path;
      HKEY root;
      const wchar_t* rest;
    } cases[] = {
        {L"HKCU\\Software\\Acme", HKEY_CURRENT_USER, L"Software\\Acme"},
        {L"hkey_local_machine\\System\\", HKEY_LOCAL_MACHINE, L"System"},
        {L"HKCR", HKEY_CLASSES_ROOT, L""},
        {L"HKU\\.DEFAULT", HKEY_USERS, L".DEFAULT"},
        {L"HKCC", HKEY_CURRENT_CONFIG, L""},
    };
    for (const Case& c : cases) {
      HKEY root = nullptr;
      std::wstring rest;
      CHECK(zb::platform::ParseRegistryPath(c.path, &root, &rest));
      CHECK(root == c.root);
      CHECK(rest == c.rest);
    }
    HKEY root = nullptr;
    std::wstring rest;
    CHECK(!zb::platform::ParseRegistryPath(L"HKXX\\Software", &root, &rest));
  }
}
