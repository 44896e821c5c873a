// Tests of MString's persistence members: string records (layout, byte order, damage), INI and
// registry values, and path shortening on its examples and at the buffer limits.
#include <zorbase/strings/MString.h>

#include <UnitTest++/UnitTest++.h>

#include <string>

#include <zorbase/files/MFileMemory.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/registry.h>
#include <zorbase/strings/internal/wide_check.h>

using zb::test::ScratchDir;

namespace {

// The bytes `write` puts into a memory file with file byte-order code `swap`.
template <typename Write>
std::string Written(Write write, unsigned char swap = 7) {
  MFileMemory file;
  file.OPEN_WRITE(1024);
  file.SET_FILESWAP(swap);
  write(file);
  const std::string bytes(reinterpret_cast<const char*>(file.GET_BUFFER()), static_cast<std::size_t>(file.SIZE()));
  file.CLOSE();
  return bytes;
}

// Reads `bytes` as a memory file.
struct Reader {
  explicit Reader(const std::string& bytes, unsigned char swap = 7) : data(bytes) {
    file.OPEN_READ(static_cast<LONG>(data.size()), reinterpret_cast<unsigned char*>(&data[0]));
    file.SET_FILESWAP(swap);
  }
  std::string data;
  MFileMemory file;
};

}  // namespace

SUITE(MStringPersistence) {
  TEST(RecordLayoutAndRoundTrip) {
    const MString text(L"Gr\u00fc\u00dfe \U0001F600");
    const std::string bytes = Written([&](MFile& f) { CHECK(text.WRITE(f)); });
    CHECK_EQUAL(std::string("\x0c\x00" "Gr\xc3\xbc\xc3\x9f" "e \xf0\x9f\x98\x80", 14), bytes);
    Reader reader(bytes);
    MString back(L"old");
    CHECK(back.READ(reader.file));
    CHECK(back == text);
    CHECK_EQUAL(text.LEN(), back.LEN());
    // The count follows the file's byte order.
    const std::string swapped = Written([&](MFile& f) { CHECK(text.WRITE(f)); }, 0);
    CHECK_EQUAL(std::string("\x00\x0c", 2), swapped.substr(0, 2));
    Reader swapped_reader(swapped, 0);
    CHECK(back.READ(swapped_reader.file));
    CHECK(back == text);
  }

  TEST(EmptyAndBufferlessStrings) {
    const MString bufferless;
    const MString copy(bufferless);  // a copy owns a one-character buffer
    CHECK_EQUAL(std::string("\0\0", 2), Written([&](MFile& f) { CHECK(copy.WRITE(f)); }));
    CHECK_EQUAL(std::string(), Written([&](MFile& f) { CHECK(!bufferless.WRITE(f)); }));
    Reader reader(std::string("\0\0", 2));
    MString back(L"x");
    CHECK(back.READ(reader.file));
    CHECK_EQUAL(0u, back.LEN());
    CHECK_EQUAL(1u, back.SIZE());
  }

  TEST(DamagedRecordsLeaveTheTextUnchanged) {
    const std::string cases[] = {std::string(""), std::string("\x05", 1), std::string("\x05\x00" "abc", 5),
                                 std::string("\xff\xff" "x", 3)};
    for (const std::string& bytes : cases) {
      Reader reader(bytes);
      MString text(L"kept");
      CHECK(!text.READ(reader.file));
      CHECK_WIDE(L"kept", text.C_STR());
    }
  }

  TEST(TextBeyondTheRecordRangeIsRefused) {
    MString big;
    big.RESERVE(70000, false, 2);
    for (int i = 0; i < 70000; ++i) big += L'x';
    CHECK_EQUAL(std::string(), Written([&](MFile& f) {
      MFileMemory& memory = static_cast<MFileMemory&>(f);
      memory.OPEN_WRITE(80000);
      CHECK(!big.WRITE(f));
    }));
  }

  TEST(StandardStringRecords) {
    const std::string bytes = Written([](MFile& f) {
      _WriteStringToMFile(std::wstring(L"ab\0cd", 5), &f);
      _WriteStringToMFile(L"\u00e9", nullptr);
    });
    CHECK_EQUAL(std::string("\x02\x00" "ab", 4), bytes);
    Reader reader(bytes + "\x09");
    std::wstring text = L"old";
    _ReadStringFromMFile(text, &reader.file);
    CHECK_WIDE(L"ab", text.c_str());
    _ReadStringFromMFile(text, &reader.file);  // a truncated record
    CHECK(text.empty());
  }

  TEST(IniValuesThroughThePrivateProfileCalls) {
    ScratchDir dir("MStringIni");
    const std::wstring file = dir.Win(L"s.ini");
    MString value(L"Caf\u00e9");
    CHECK(value.SAVE_INI_STRING(file.c_str(), L"Section", L"Key"));
    CHECK_EQUAL("[Section]\r\nKey=Caf\xe9\r\n", dir.Get("s.ini"));
    MString loaded;
    CHECK(loaded.LOAD_INI_STRING(file.c_str(), L"SECTION", L"key"));
    CHECK_WIDE(L"Caf\u00e9", loaded.C_STR());
    CHECK_EQUAL(loaded.LEN() + 1, loaded.SIZE());
    CHECK(loaded.LOAD_INI_STRING(file.c_str(), "section", "KEY"));
    CHECK_WIDE(L"Caf\u00e9", loaded.C_STR());
    CHECK(!loaded.LOAD_INI_STRING(file.c_str(), L"Section", L"missing"));
    CHECK_EQUAL(0u, loaded.LEN());
    MString narrow(L"n\u00e4rrow");
    CHECK(narrow.SAVE_INI_STRING(file.c_str(), "Other", "k"));
    CHECK(loaded.LOAD_INI_STRING(file.c_str(), L"Other", L"k"));
    CHECK_WIDE(L"n\u00e4rrow", loaded.C_STR());
    // Values longer than 512 characters are cut by the reader.
    MString long_value(std::wstring(600, L'v').c_str());
    CHECK(long_value.SAVE_INI_STRING(file.c_str(), L"Long", L"k"));
    CHECK(loaded.LOAD_INI_STRING(file.c_str(), L"Long", L"k"));
    CHECK_EQUAL(512u, loaded.LEN());
    CHECK(loaded.LOAD_INI_STRING(file.c_str(), "Long", "k"));
    CHECK_EQUAL(512u, loaded.LEN());
  }

  TEST(RegistryValues) {
    MString value(L"stored \u00e9");
    CHECK(value.SAVE_REG_STRING(HKEY_CURRENT_USER, L"Software\\ZorTest\\Strings", L"Name"));
    MString loaded(L"before");
    CHECK(loaded.LOAD_REG_STRING(HKEY_CURRENT_USER, L"Software\\ZorTest\\Strings", L"Name"));
    CHECK_WIDE(L"stored \u00e9", loaded.C_STR());
    CHECK(!loaded.LOAD_REG_STRING(HKEY_CURRENT_USER, L"Software\\ZorTest\\Missing", L"Name"));
    CHECK(!loaded.LOAD_REG_STRING(HKEY_CURRENT_USER, L"Software\\ZorTest\\Strings", L"None"));
    CHECK_WIDE(L"stored \u00e9", loaded.C_STR());
  }

  TEST(AbreviatePathExamples) {
    struct Case {
      const wchar_t* path;
      std::uint32_t max_len;
      bool is_directory;
      const wchar_t* expected;
    } cases[] = {
        {L"C:\\dir1\\dir2\\dir3\\file.txt", 22, false, L"C:\\...\\dir3\\file.txt"},
        {L"C:\\dir1\\dir2\\dir3\\file.txt", 26, false, L"C:\\dir1\\dir2\\dir3\\file.txt"},
        {L"C:\\dir1\\dir2\\dir3\\file.txt", 25, false, L"C:\\...\\dir2\\dir3\\file.txt"},
        {L"C:\\dir1\\dir2\\dir3\\file.txt", 15, false, L"C:\\...\\file.txt"},
        {L"C:\\dir1\\dir2\\dir3\\file.txt", 13, false, L"\\...file.txt"},  // the drive dropped
        {L"C:\\dir1\\dir2\\dir3", 12, true, L"C:\\...\\dir3"},
        {L"", 0, false, L""},
    };
    for (const Case& c : cases) {
      MString text(L"before");
      text.ABREVIATE_PATH(c.path, c.max_len, c.is_directory);
      CHECK_WIDE(c.expected, text.C_STR());
    }
    struct ExCase {
      const wchar_t* path;
      std::uint32_t max_len;
      const wchar_t* expected;
    } ex_cases[] = {
        {L"C:\\dir1\\dir2\\file.txt", 15, L"C:\\...\\file.txt"},
        {L"C:\\dir1\\dir2\\file.txt", 21, L"C:\\dir1\\dir2\\file.txt"},
        {L"C:\\dir\\averyveryverylongname.txt", 12, L"...gname.txt"},
        {L"C:\\dir1\\dir2\\file.txt", 1, L"...xt"},
    };
    for (const ExCase& c : ex_cases) {
      MString text;
      text.ABREVIATE_PATH_EX(c.path, c.max_len, false);
      CHECK_WIDE(c.expected, text.C_STR());
    }
    MString untouched(L"same");
    untouched.ABREVIATE_PATH(nullptr, 10, false);
    untouched.ABREVIATE_PATH_EX(nullptr, 10, false);
    CHECK_WIDE(L"same", untouched.C_STR());
  }

  TEST(AbreviatePathAtTheBufferLimits) {
    // Around the 256- and 260-character buffers of the Windows builds: never cut wrongly, never
    // longer than asked for when the limit leaves room for the file name.
    for (std::size_t length : {255u, 256u, 259u, 260u, 261u, 400u, 1000u}) {
      std::wstring path = L"C:";
      while (path.size() + 9 < length) path += L"\\d" + std::to_wstring(path.size() % 10);
      path += L"\\name.txt";
      for (std::uint32_t limit : {20u, 255u, 259u, 260u}) {
        MString text;
        text.ABREVIATE_PATH(path.c_str(), limit, false);
        CHECK(text.LEN() <= std::max<std::size_t>(limit, path.size() <= limit ? path.size() : 0));
        CHECK(text.LEN() == path.size() || std::wstring(text.C_STR()).find(L"\\...") != std::wstring::npos);
        text.ABREVIATE_PATH_EX(path.c_str(), limit, false);
        CHECK(text.LEN() <= std::max<std::size_t>(limit, path.size() <= limit ? path.size() : 0));
        CHECK(std::wstring(text.C_STR()).size() >= 9 &&
              std::wstring(text.C_STR()).substr(text.LEN() - 9) == L"\\name.txt");
      }
    }
  }
}
