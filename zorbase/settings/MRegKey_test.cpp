// Tests of MRegKey: lazy opening, typed values, enumeration and recursive deletion.
#include <zorbase/settings/MRegKey.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <vector>

#include <zorbase/platform/portable/registry_test_util.h>
#include <zorbase/settings/internal/settings_internal.h>

using zb::test::TestKey;

namespace {

// A key object below the test key (the parent wraps the test key's open handle).
struct Fixture {
  explicit Fixture(const wchar_t* name) : test(name), parent(test.key(), FALSE) {}
  TestKey test;
  MRegKey parent;
};

std::vector<BYTE> Raw(HKEY key, const wchar_t* name, DWORD* type) {
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return {};
  std::vector<BYTE> data(size);
  RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
  return data;
}

}  // namespace

SUITE(MRegKey) {
  TEST(PathJoiningDropsStrayBackslashes) {
    struct Case {
      const wchar_t* first;
      const wchar_t* second;
      const wchar_t* joined;
    } cases[] = {
        {L"software", L"Acme", L"software\\Acme"},   {L"\\a\\\\", L"\\\\b\\", L"a\\b"},
        {L"", L"b", L"b"},                           {L"a", L"", L"a"},
        {nullptr, nullptr, L""},                     {L"\\\\", L"\\", L""},
        {L"a\\b", L"c\\d", L"a\\b\\c\\d"},
    };
    for (const Case& c : cases) CHECK(zb::settings_internal::JoinRegPath(c.first, c.second) == c.joined);
  }

  TEST(NumbersAsTextParseAsTheRuntimeDoes) {
    struct Case {
      const wchar_t* text;
      bool ok;
      DWORD unsigned_value;
    } cases[] = {
        {L"42", true, 42},         {L"  42", true, 42},          {L"+7", true, 7},
        {L"-1", true, 0xFFFFFFFFu}, {L"4294967295", true, 0xFFFFFFFFu}, {L"4294967296", false, 0},
        {L"12a", false, 0},        {L"", false, 0},              {L"  ", false, 0},
        {L"42 ", false, 0},        {L"0x10", false, 0},          {L"-", false, 0},
    };
    for (const Case& c : cases) {
      DWORD value = 99;
      CHECK_EQUAL(c.ok, zb::settings_internal::ParseRegULong(c.text, &value));
      CHECK_EQUAL(c.ok ? c.unsigned_value : 99u, value);
    }
    LONG value = 0;
    CHECK(zb::settings_internal::ParseRegLong(L"-2147483648", &value));
    CHECK_EQUAL(static_cast<LONG>(-2147483647 - 1), value);
    CHECK(!zb::settings_internal::ParseRegLong(L"2147483648", &value));
    CHECK(zb::settings_internal::ParseRegLong(L"\t-12", &value));
    CHECK_EQUAL(-12, value);
  }

  TEST(KeyWithoutParentReportsHandleError) {
    MRegKey key;
    CString text;
    CHECK(!key.GetRegStr(L"x", text));
    CHECK_EQUAL(E_HANDLE, key.GetLastError());
    CHECK(!key);
    CHECK(!key.SetRegDWORD(L"x", 1));
    CHECK_EQUAL(E_HANDLE, key.GetLastError());
  }

  TEST(StringsAndTheirVariants) {
    Fixture f(L"MRegKeyStrings");
    MRegKey key(L"Strings", f.parent);
    CHECK(key.SetRegStr(L"Name", L"Value"));
    CString text;
    CHECK(key.GetRegStr(L"name", text));
    CHECK(text == L"Value");
    DWORD type = 0;
    CHECK_EQUAL(12u, Raw(key, L"Name", &type).size());  // 2 x (5 + 1)
    CHECK_EQUAL(REG_SZ, type);
    // UpdRegStr with a value that differs only in case writes nothing.
    CHECK(key.UpdRegStr(L"Name", L"VALUE"));
    CHECK(key.GetRegStr(L"Name", text));
    CHECK(text == L"Value");
    CHECK(key.UpdRegStr(L"Name", L"Other"));
    CHECK(key.GetRegStrD(L"Name", L"dflt") == L"Other");
    // SetRegStrE with an empty text deletes the value.
    CHECK(key.SetRegStrE(L"Name", L""));
    CHECK(!key.GetRegStr(L"Name", text));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), key.GetLastError());
    CHECK(key.GetRegStrD(L"Name", L"dflt") == L"dflt");
    CHECK(key.SetRegStr(L"Gone", L"x"));
    CHECK(key.SetRegStr(L"Gone", L"ignored", TRUE));
    CHECK(!key.GetRegStr(L"Gone", text));
    // Deleting a value that does not exist succeeds; the code is still recorded.
    CHECK(key.DeleteValue(L"NeverThere"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), key.GetLastError());
    CHECK(key.SetRegDWORD(nullptr, 5));
    CHECK(!key.GetRegStr(nullptr, text));
    CHECK_EQUAL(E_FAIL, key.GetLastError());
  }

  TEST(NumbersKeepTheirTypes) {
    Fixture f(L"MRegKeyNumbers");
    MRegKey key(L"Numbers", f.parent);
    CHECK(key.SetRegULong(L"Text", 4000000000u));
    DWORD number = 7;
    CHECK(!key.GetRegDWORD(L"Text", number));  // a string, not a DWORD
    CHECK_EQUAL(E_FAIL, key.GetLastError());
    CHECK_EQUAL(7u, number);
    CHECK(key.GetRegULong(L"Text", number));
    CHECK_EQUAL(4000000000u, number);
    CHECK(key.SetRegStr(L"Bad", L"12a"));
    number = 9;
    CHECK(!key.GetRegULong(L"Bad", number));
    CHECK_EQUAL(E_FAIL, key.GetLastError());
    CHECK_EQUAL(9u, number);
    CHECK_EQUAL(3u, key.GetRegULongD(L"Bad", 3));
    CHECK(key.SetRegStr(L"Spaced", L"  42"));
    CHECK(key.GetRegULong(L"Spaced", number));
    CHECK_EQUAL(42u, number);
    CHECK(key.SetRegLong(L"Negative", -5));
    CString text;
    CHECK(key.GetRegStr(L"Negative", text));
    CHECK(text == L"-5");
    int small = 0;
    CHECK(key.GetRegInt(L"Negative", small));
    CHECK_EQUAL(-5, small);
    CHECK(key.SetRegDWORD(L"Dword", 0xDEADBEEF));
    CHECK(key.GetRegDWORD(L"Dword", number));
    CHECK_EQUAL(0xDEADBEEFu, number);
    CHECK(!key.GetRegULong(L"Dword", number));
    CHECK_EQUAL(E_FAIL, key.GetLastError());
    CHECK(key.SetRegBinary(L"Short", reinterpret_cast<const unsigned char*>("ab"), 2));
    CHECK(RegSetValueExW(key, L"ShortDword", 0, REG_DWORD, reinterpret_cast<const BYTE*>("ab"), 2) == ERROR_SUCCESS);
    CHECK(!key.GetRegDWORD(L"ShortDword", number));
    CHECK_EQUAL(E_FAIL, key.GetLastError());
    CHECK_EQUAL(11u, key.GetRegDWORDD(L"Missing", 11));
    CHECK_EQUAL(-3, key.GetRegLongD(L"Missing", -3));
    CHECK_EQUAL(8, key.GetRegIntD(L"Dword", 8));
  }

  TEST(BinaryAndStructValues) {
    Fixture f(L"MRegKeyBinary");
    MRegKey key(L"Binary", f.parent);
    CByteArray bytes;
    for (int i = 0; i < 5; ++i) bytes.Add(static_cast<BYTE>(i * 3));
    CHECK(key.SetRegBinary(L"Bytes", bytes));
    unsigned char* data = reinterpret_cast<unsigned char*>(1);
    DWORD size = 99;
    CHECK(key.GetRegBinary(L"Bytes", data, size));
    CHECK_EQUAL(5u, size);
    CHECK_EQUAL(12, data[4]);
    delete[] data;
    CHECK(key.SetRegStr(L"NotBinary", L"x"));
    CHECK(!key.GetRegBinary(L"NotBinary", data, size));
    CHECK(data == nullptr);
    CHECK_EQUAL(0u, size);
    CHECK_EQUAL(E_FAIL, key.GetLastError());
    CByteArray back;
    back.Add(1);
    CHECK(!key.GetRegBinary(L"NotBinary", back));
    CHECK(back.IsEmpty());
    CHECK(key.GetRegBinary(L"Bytes", back));
    CHECK_EQUAL(5, back.GetSize());
    struct Point {
      int x;
      int y;
    } point = {3, -4};
    CHECK(key.SetRegStruct(L"Point", &point, sizeof(point)));
    Point read = {0, 0};
    CHECK(key.GetRegStruct(L"Point", &read, sizeof(read)));
    CHECK_EQUAL(-4, read.y);
    CHECK(key.GetRegStruct(L"Point", nullptr, sizeof(read)));
    CHECK(!key.GetRegStruct(L"Point", &read, sizeof(read) + 1));
    CHECK_EQUAL(E_UNEXPECTED, key.GetLastError());
    CHECK(!key.GetRegStruct(L"NotBinary", nullptr, 4));
    CHECK_EQUAL(E_UNEXPECTED, key.GetLastError());
  }

  TEST(KeysBelowMissingParentsAreCreatedByTheFirstWrite) {
    Fixture f(L"MRegKeyChain");
    MRegKey level1(L"One", f.parent);
    MRegKey level2(L"Two", level1);
    MRegKey level3(L"Three", level2);
    HKEY parent = nullptr;
    CString path;
    level3.GetParams(parent, path);
    CHECK(parent == f.test.key());
    CHECK(path == L"One\\Two\\Three");
    CHECK(!level3);
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), level3.GetLastError());
    CHECK(level3.SetRegDWORD(L"Deep", 1));
    HKEY opened = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(f.test.key(), L"One\\Two\\Three", 0, KEY_READ, &opened));
    RegCloseKey(opened);
    // The parent existing now, a new sub-key takes its handle as parent.
    MRegKey sibling(L"Sibling", MRegKey(L"One", f.parent));
    sibling.GetParams(parent, path);
    CHECK(path == L"Sibling");
    CHECK(sibling.Create().GetLastError() == ERROR_SUCCESS);
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(f.test.key(), L"One\\Sibling", 0, KEY_READ, &opened));
    RegCloseKey(opened);
  }

  TEST(SubKeyEnumerationAndRecursiveDeletion) {
    Fixture f(L"MRegKeyDelete");
    MRegKey root(L"Root", f.parent);
    const wchar_t* paths[] = {L"B\\X\\Y", L"a\\Z", L"C"};
    for (const wchar_t* path : paths) {
      MRegKey child(path, root);
      CHECK(child.SetRegDWORD(L"v", 1));
    }
    CStringArray names;
    root.GetSubKeyNames(names);
    CHECK_EQUAL(3, names.GetSize());
    CHECK(names[0] == L"a" && names[1] == L"B" && names[2] == L"C");
    CString name = L"stale";
    CHECK(!root.GetSubKeyName(3, name));
    CHECK(name.IsEmpty());
    CHECK_EQUAL(static_cast<LONG>(ERROR_NO_MORE_ITEMS), root.GetLastError());
    CHECK(root.DeleteSubKey(L"B"));
    root.GetSubKeyNames(names);
    CHECK_EQUAL(2, names.GetSize());
    CHECK(!root.DeleteSubKey(L"Missing"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_FILE_NOT_FOUND), root.GetLastError());
    CHECK(!root.DeleteSubKey(L""));
  }

  TEST(ClassesRootKeepsItsVitalKeys) {
    HKEY made = nullptr;
    RegCreateKeyW(HKEY_CLASSES_ROOT, L"CLSID\\{ZB-TEST}", &made);
    RegCloseKey(made);
    MRegKey classes(HKEY_CLASSES_ROOT, FALSE);
    CHECK(!classes.DeleteSubKey(L"CLSID"));
    CHECK(!classes.DeleteSubKey(L"clsid"));
    CHECK_EQUAL(static_cast<LONG>(ERROR_ACCESS_DENIED), classes.GetLastError());
    HKEY still = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{ZB-TEST}", 0, KEY_READ, &still));
    RegCloseKey(still);
    CHECK(classes.DeleteSubKey(L"CLSID\\{ZB-TEST}"));
  }

  TEST(CopiesShareTheHandleWithoutOwningIt) {
    Fixture f(L"MRegKeyCopy");
    MRegKey source(L"Source", f.parent);
    CHECK(source.SetRegDWORD(L"v", 3));
    HKEY handle = source;
    {
      MRegKey copy(source);
      CHECK(static_cast<HKEY>(copy) == handle);
      DWORD value = 0;
      CHECK(copy.GetRegDWORD(L"v", value));
    }
    DWORD value = 0;
    CHECK(source.GetRegDWORD(L"v", value));  // the copy did not close the handle
    MRegKey other;
    other = source;
    CHECK(static_cast<HKEY>(other) == handle);
    HKEY parent = nullptr;
    CString path;
    other.GetParams(parent, path);
    CHECK(path == L"Source");
    other.Attach(nullptr, TRUE);
    CHECK(source.GetRegDWORD(L"v", value));
  }
}
