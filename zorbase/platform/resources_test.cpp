#include <zorbase/platform/resources.h>

#include <UnitTest++/UnitTest++.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/portable/byte_span.h>
#include <zorbase/platform/portable/message_table.h>
#include <zorbase/platform/internal/resource_fixtures.h>
#include <zorbase/platform/format_message.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

std::wstring Long600() {
  std::wstring text;
  for (int i = 0; i < 600; ++i) text += static_cast<wchar_t>(L'0' + i % 10);
  return text;
}

std::vector<unsigned char> ReadNative(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
}

// Writes `bytes` to C:\name and returns the Windows path.
std::wstring WriteC(const wchar_t* name, const std::vector<unsigned char>& bytes) {
  std::wstring path = std::wstring(L"C:\\") + name;
  zb::platform::ResolvedPath resolved;
  zb::platform::ResolveWindowsPath(path.c_str(), &resolved);
  std::ofstream out(resolved.native, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::wstring Load(HMODULE module, UINT id, int size = 1024) {
  std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, L'#');
  const int n = LoadStringW(module, id, buffer.data(), size);
  return n > 0 ? std::wstring(buffer.data(), static_cast<std::size_t>(n)) : std::wstring();
}

// The string table every fixture module carries, checked through LoadStringW.
void CheckStringTable(HMODULE module) {
  struct Case {
    UINT id;
    std::wstring text;
  };
  const Case cases[] = {
      {1, L"First string"},       {15, L"Last of block 1"},
      {16, L"First of block 2"},  {17, L"Gr\u00fc\u00dfe \u20ac \U0001D11E"},
      {100, L"Format %s and %d"}, {600, Long600()},
      {65535, L"Highest id"},     {2, L""} /* in block 1, empty */,
      {300, L""} /* no block */,
  };
  for (const Case& c : cases) CHECK_WIDE(c.text, Load(module, c.id));
}

}  // namespace

SUITE(Resources) {

TEST(NativeModuleStringTable) {
  CheckStringTable(nullptr);
  CheckStringTable(GetModuleHandleW(nullptr));
}

TEST(PeFileStringTables) {
  for (const char* name : {"pe_with_version.dll", "pe_without_version.dll"}) {
    HMODULE module = LoadLibraryExW(zb::test::ResourceFixture(name).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
    CHECK(module != nullptr);
    CHECK((reinterpret_cast<ULONG_PTR>(module) & 1) != 0);
    CheckStringTable(module);
    CHECK(FreeLibrary(module));
    SetLastError(0);
    CHECK(!FreeLibrary(module));
    CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
  }
}

TEST(LoadStringBufferRules) {
  // Cut at size - 1 with a terminator; a missing string empties the buffer.
  wchar_t buffer[8];
  CHECK_EQUAL(5, LoadStringW(nullptr, 1, buffer, 6));
  CHECK_WIDE(L"First", buffer);
  CHECK_EQUAL(0, LoadStringW(nullptr, 1, buffer, 1));
  CHECK_EQUAL(0, buffer[0]);
  buffer[0] = L'x';
  SetLastError(0);
  CHECK_EQUAL(0, LoadStringW(nullptr, 300, buffer, 8));
  CHECK_EQUAL(0, buffer[0]);
  CHECK_EQUAL(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
  // Size 0: a pointer to the whole string, not terminated, and its length.
  const wchar_t* whole = nullptr;
  CHECK_EQUAL(600, LoadStringW(nullptr, 600, reinterpret_cast<LPWSTR>(&whole), 0));
  CHECK(whole != nullptr && std::wstring(whole, 600) == Long600());
  CHECK_EQUAL(0, LoadStringW(nullptr, 1, nullptr, 10));
}

TEST(FindResourceByIdTextAndLanguage) {
  HMODULE module = LoadLibraryExW(zb::test::ResourceFixture("pe_with_version.dll").c_str(),
                                  nullptr, LOAD_LIBRARY_AS_DATAFILE);
  CHECK(module != nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_RCDATA);
  CHECK(found != nullptr);
  CHECK_EQUAL(7u, SizeofResource(module, found));
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  CHECK(data != nullptr && std::memcmp(data, "rawAB\0\0", 7) == 0);
  CHECK(FindResourceW(module, L"#1", RT_RCDATA) == found);
  HRSRC named = FindResourceW(module, L"logo", RT_RCDATA);
  CHECK(named != nullptr);
  CHECK_EQUAL(5u, SizeofResource(module, named));
  CHECK(FindResourceExW(module, RT_RCDATA, L"LOGO", 0x0409) == named);
  CHECK(FindResourceExW(module, RT_RCDATA, L"LOGO", 0x0809) == named);  // same primary language
  SetLastError(0);
  CHECK(FindResourceExW(module, RT_RCDATA, L"LOGO", 0x0407) == nullptr);
  CHECK_EQUAL(ERROR_RESOURCE_LANG_NOT_FOUND, GetLastError());
  CHECK(FindResourceW(module, L"NOSUCH", RT_RCDATA) == nullptr);
  CHECK_EQUAL(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
  CHECK(FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(99)) == nullptr);
  CHECK_EQUAL(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
  // A resource handle of another module is refused.
  HRSRC native = FindResourceW(nullptr, MAKEINTRESOURCEW(7), RT_RCDATA);
  CHECK(native != nullptr);
  CHECK_EQUAL(0u, SizeofResource(module, native));
  CHECK_EQUAL(10u, SizeofResource(nullptr, native));
  FreeLibrary(module);
}

TEST(EnumeratesStringBlocks) {
  std::vector<ULONG_PTR> blocks;
  CHECK(EnumResourceNamesW(nullptr, RT_STRING,
                           [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
                             reinterpret_cast<std::vector<ULONG_PTR>*>(param)->push_back(
                                 reinterpret_cast<ULONG_PTR>(name));
                             return TRUE;
                           },
                           reinterpret_cast<LONG_PTR>(&blocks)));
  const std::vector<ULONG_PTR> expected = {1, 2, 7, 38, 4096};
  CHECK(blocks == expected);
}

TEST(DamagedAndTruncatedPeFilesFindNothingOutsideTheFile) {
  const std::vector<unsigned char> whole =
      ReadNative(zb::test::ResourceFixtureNative("pe_with_version.dll"));
  CHECK(whole.size() > 0x800);
  std::vector<std::size_t> lengths = {0, 1, 2, 63, 64, 0x3C + 4, 0x80, 0x100, 0x200};
  for (std::size_t n = 0x400; n < whole.size(); n += 0x61) lengths.push_back(n);
  lengths.push_back(whole.size() - 1);
  for (std::size_t n : lengths) {
    std::vector<unsigned char> part(whole.begin(), whole.begin() + static_cast<long>(n));
    const std::wstring path = WriteC(L"truncated.dll", part);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
      CHECK_EQUAL(ERROR_BAD_EXE_FORMAT, GetLastError());
      continue;
    }
    const std::wstring text = Load(module, 600);
    CHECK(text.empty() || text == Long600());
    FreeLibrary(module);
  }
  // Every byte of the headers and the resource directory flipped in turn: a result or nothing.
  for (std::size_t at = 0; at < whole.size(); at += 7) {
    std::vector<unsigned char> damaged = whole;
    damaged[at] ^= 0xA5;
    const std::wstring path = WriteC(L"damaged.dll", damaged);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) continue;
    Load(module, 600);
    Load(module, 17);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION);
    if (found != nullptr) LockResource(LoadResource(module, found));
    FreeLibrary(module);
  }
}

TEST(FilesThatAreNotModules) {
  SetLastError(0);
  const std::wstring text = WriteC(L"plain.txt", {'h', 'e', 'l', 'l', 'o'});
  CHECK(LoadLibraryExW(text.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE) == nullptr);
  CHECK_EQUAL(ERROR_BAD_EXE_FORMAT, GetLastError());
  CHECK(LoadLibraryExW(L"C:\\missing.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE) == nullptr);
  CHECK_EQUAL(ERROR_FILE_NOT_FOUND, GetLastError());
  CHECK(LoadLibraryW(zb::test::ResourceFixture("pe_with_version.dll").c_str()) == nullptr);
  CHECK_EQUAL(ERROR_BAD_EXE_FORMAT, GetLastError());
  CHECK(LoadLibraryW(L"C:\\missing.so") == nullptr);
  CHECK_EQUAL(ERROR_MOD_NOT_FOUND, GetLastError());
  CHECK(FindResourceW(reinterpret_cast<HMODULE>(0x1001), MAKEINTRESOURCEW(1), RT_STRING) == nullptr);
  CHECK_EQUAL(ERROR_INVALID_HANDLE, GetLastError());
}

TEST(NativeLibrariesLoadFindAndFree) {
  const std::wstring path = zb::test::DllVersionFixture();
  HMODULE module = LoadLibraryW(path.c_str());
  CHECK(module != nullptr);
  CHECK(GetModuleHandleW(L"zorbase_test_dll_version.so") == module);
  CHECK(GetModuleHandleW(path.c_str()) == module);
  CHECK(GetProcAddress(module, "DllGetVersion") != nullptr);
  SetLastError(0);
  CHECK(GetProcAddress(module, "NoSuchFunction") == nullptr);
  CHECK_EQUAL(ERROR_PROC_NOT_FOUND, GetLastError());
  wchar_t name[MAX_PATH];
  CHECK(GetModuleFileNameW(module, name, MAX_PATH) > 0);
  CHECK_WIDE(path, name);
  CHECK(FreeLibrary(module));
  CHECK(GetModuleHandleW(L"zorbase_test_dll_version.so") == nullptr);
  CHECK_EQUAL(ERROR_MOD_NOT_FOUND, GetLastError());
  // The executable: by null and by its file name; freeing it does nothing.
  HMODULE self = GetModuleHandleW(nullptr);
  CHECK(self != nullptr);
  CHECK(GetModuleHandleW(L"ZORBASE_TESTS") == self);
  CHECK(FreeLibrary(self));
}

TEST(NativeModuleFileAsDataFile) {
  HMODULE module = LoadLibraryExW(zb::test::ZorBaseLibraryFile().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  CHECK(module != nullptr);
  CHECK(FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION) != nullptr);
  FreeLibrary(module);
}

TEST(ModuleMessageTable) {
  std::wstring text;
  CHECK(zb::platform::res::FindModuleMessage(nullptr, 1, 0, &text));
  CHECK_WIDE(L"First message with %1.\n", text);
  CHECK(zb::platform::res::FindModuleMessage(GetModuleHandleW(nullptr), 42, 0x0409, &text));
  CHECK_WIDE(L"The answer is %1!d!.\n", text);
  SetLastError(0);
  CHECK(!zb::platform::res::FindModuleMessage(nullptr, 2, 0, &text));
  CHECK_EQUAL(317u, GetLastError());
  CHECK(!zb::platform::res::FindModuleMessage(nullptr, 1, 0x0407, &text));
  CHECK_EQUAL(ERROR_RESOURCE_LANG_NOT_FOUND, GetLastError());
  HMODULE pe = LoadLibraryExW(zb::test::ResourceFixture("pe_without_version.dll").c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE);
  CHECK(!zb::platform::res::FindModuleMessage(pe, 1, 0, &text));
  CHECK_EQUAL(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
  FreeLibrary(pe);
}

TEST(FormatMessageReadsModuleMessageTables) {
  wchar_t buffer[64];
  const wchar_t* inserts[] = {L"an insert"};
  const DWORD from_module = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY;
  CHECK_EQUAL(30u, FormatMessageW(from_module, nullptr, 1, 0, buffer, 64,
                                  reinterpret_cast<va_list*>(const_cast<wchar_t**>(inserts))));
  CHECK_WIDE(L"First message with an insert.\n", buffer);  // the line end as stored
  SetLastError(0);
  CHECK_EQUAL(0u, FormatMessageW(from_module, nullptr, 2, 0, buffer, 64, nullptr));
  CHECK_EQUAL(317u, GetLastError());
  // Not in the module's table: the system's text when both are asked for.
  CHECK(FormatMessageW(from_module | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0,
                       buffer, 64, nullptr) > 0);
  CHECK_WIDE(L"The system cannot find the file specified.\r\n", buffer);
}

TEST(ConcurrentLookups) {
  // Several threads load, look up and free at once; the module tables are shared.
  const std::wstring path = zb::test::ResourceFixture("pe_with_version.dll");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&path, &wrong, t] {
      for (int i = 0; i < 50; ++i) {
        HMODULE module = t % 2 == 0 ? LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                                    : nullptr;
        if (Load(module, 600) != Long600() || Load(module, 16) != L"First of block 2") ++wrong;
        const wchar_t* whole = nullptr;
        if (LoadStringW(module, 15, reinterpret_cast<LPWSTR>(&whole), 0) != 15) ++wrong;
        if (module != nullptr) FreeLibrary(module);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  CHECK_EQUAL(0, wrong.load());
  SetLastError(0);
  CHECK(FindResourceW(reinterpret_cast<HMODULE>(0x2000), MAKEINTRESOURCEW(1), RT_STRING) == nullptr);
  CHECK_EQUAL(ERROR_MOD_NOT_FOUND, GetLastError());
}

TEST(MessageTables) {
  // Two blocks: ids 1-2 (UTF-16, then ANSI) and id 10 (UTF-16); then damaged forms.
  std::vector<unsigned char> table = {2, 0, 0, 0,  1, 0, 0, 0, 2, 0, 0, 0, 28, 0, 0, 0,
                                      10, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
  auto add = [&table](std::vector<unsigned char> entry) {
    table.insert(table.end(), entry.begin(), entry.end());
  };
  add({12, 0, 1, 0, 'H', 0, 'i', 0, '\r', 0, '\n', 0});
  add({8, 0, 0, 0, 'A', 0xE4, 0, 0});
  const std::uint32_t third = static_cast<std::uint32_t>(table.size());
  std::memcpy(&table[24], &third, 4);
  add({8, 0, 1, 0, '%', 0, '1', 0});
  using zb::platform::res::ByteSpan;
  using zb::platform::res::FindMessageInTable;
  std::wstring text;
  CHECK(FindMessageInTable(ByteSpan(table.data(), table.size()), 1, &text));
  CHECK_WIDE(L"Hi\r\n", text);
  CHECK(FindMessageInTable(ByteSpan(table.data(), table.size()), 2, &text));
  CHECK_WIDE(L"A\u00e4", text);
  CHECK(FindMessageInTable(ByteSpan(table.data(), table.size()), 10, &text));
  CHECK_WIDE(L"%1", text);
  CHECK(!FindMessageInTable(ByteSpan(table.data(), table.size()), 3, &text));
  for (std::size_t n = 0; n < table.size(); ++n) {
    FindMessageInTable(ByteSpan(table.data(), n), 10, &text);  // truncated: no read past n
  }
  std::vector<unsigned char> zero_length = table;
  zero_length[28] = 0;  // a length below the entry header would never advance
  CHECK(!FindMessageInTable(ByteSpan(zero_length.data(), zero_length.size()), 2, &text));
}

}
