// Tests of the .reg file reader and writer, and the byte-for-byte round trip through a hive.
#include <zorbase/platform/portable/reg_file.h>

#include <UnitTest++/UnitTest++.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/portable/registry_test_util.h>
#include <zorbase/platform/registry.h>

using zb::platform::regfile::Document;
using zb::platform::regfile::Parse;
using zb::platform::regfile::ParseError;
using zb::platform::regfile::Write;
using zb::test::DwordData;
using zb::test::SzData;

namespace {

// Every value type, a default value, escapes, wrapped hex data, strings that must stay hex, and
// text beyond ASCII, exactly as the writer lays them out.
const wchar_t kEveryType[] =
    L"Windows Registry Editor Version 5.00\r\n"
    L"\r\n"
    L"[HKEY_CURRENT_USER\\Software\\ZorBaseTests\\Fixture]\r\n"
    L"@=\"default text\"\r\n"
    L"\"String\"=\"say \\\"hi\\\" to C:\\\\path\"\r\n"
    L"\"Empty\"=\"\"\r\n"
    L"\"Number\"=dword:0000002a\r\n"
    L"\"Max\"=dword:ffffffff\r\n"
    L"\"Binary\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    L"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
    L"  2f,30,31\r\n"
    L"\"NoData\"=hex:\r\n"
    L"\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\r\n"
    L"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    L"\"Quad\"=hex(b):08,07,06,05,04,03,02,01\r\n"
    L"\"None\"=hex(0):01,02\r\n"
    L"\"BigEndian\"=hex(5):00,00,00,01\r\n"
    L"\"Link\"=hex(6):5c,00\r\n"
    L"\"Resources\"=hex(8):00\r\n"
    L"\"Full\"=hex(9):00\r\n"
    L"\"Requirements\"=hex(a):00\r\n"
    L"\"ShortDword\"=hex(4):01,02\r\n"
    L"\"Lines\"=hex(1):61,00,0a,00,62,00,00,00\r\n"
    L"\"Unterminated\"=hex(1):61,00\r\n"
    L"\"Odd type\"=hex(12345678):ff\r\n"
    L"\r\n"
    L"[HKEY_CURRENT_USER\\Software\\ZorBaseTests\\Fixture\\Child]\r\n"
    L"\"Gr\u00fc\u00dfe\"=\"\u20ac 5 \u00e0 la cr\u00e8me\"\r\n"
    L"\r\n"
    L"[HKEY_CURRENT_USER\\Software\\ZorBaseTests\\Fixture\\Child\\Empty key]\r\n"
    L"\r\n";

std::string Utf16File(const std::wstring& text) {
  return std::string("\xFF\xFE", 2) + zb::platform::WideToUtf16Le(text.data(), text.size());
}

bool ParseText(const std::string& bytes, Document* document, ParseError* error) {
  return Parse(bytes.data(), bytes.size(), document, error);
}

// The document in one line: each section as "[path]" ("[-path]" for a deletion), each value as
// " name=type:hex" (" name=-" for a deletion, "@" for the default value).
std::string Describe(const Document& document) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const auto& section : document.sections) {
    out += (section.remove ? "[-" : "[") + zb::platform::WideToUtf8(section.path) + "]";
    for (const auto& value : section.values) {
      out += " " + (value.name.empty() ? std::string("@") : zb::platform::WideToUtf8(value.name)) + "=";
      if (value.remove) {
        out += "-";
        continue;
      }
      out += std::to_string(value.type) + ":";
      for (BYTE b : value.data) out += std::string(1, kDigits[b >> 4]) + kDigits[b & 15];
    }
  }
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

SUITE(RegFile) {
  TEST(ReadsEveryValueType) {
    Document document;
    ParseError error;
    CHECK(ParseText(Utf16File(kEveryType), &document, &error));
    CHECK(!document.regedit4);
    CHECK_EQUAL(3u, document.sections.size());
    const auto& values = document.sections[0].values;
    CHECK_EQUAL(20u, values.size());
    CHECK(values[0].name.empty());
    CHECK(values[0].data == SzData(L"default text"));
    CHECK(values[1].data == SzData(L"say \"hi\" to C:\\path"));
    CHECK(values[2].data == SzData(L""));
    CHECK_EQUAL(REG_DWORD, values[3].type);
    CHECK(values[3].data == DwordData(42));
    CHECK(values[4].data == DwordData(0xFFFFFFFFu));
    CHECK_EQUAL(REG_BINARY, values[5].type);
    CHECK_EQUAL(50u, values[5].data.size());
    CHECK_EQUAL(0x31, values[5].data[49]);
    CHECK(values[6].data.empty());
    CHECK_EQUAL(REG_EXPAND_SZ, values[7].type);
    CHECK(values[7].data == SzData(L"%PATH%"));
    CHECK_EQUAL(REG_MULTI_SZ, values[8].type);
    CHECK_EQUAL(REG_QWORD, values[9].type);
    CHECK_EQUAL(0x12345678u, values[19].type);
    CHECK(document.sections[1].values[0].name == L"Gr\u00fc\u00dfe");
  }

  TEST(WritesWhatItReads) {
    Document document;
    ParseError error;
    std::string fixture = Utf16File(kEveryType);
    CHECK(ParseText(fixture, &document, &error));
    CHECK(Write(document) == fixture);
  }

  TEST(RoundTripsThroughAHiveByteForByte) {
    std::string fixture = Utf16File(kEveryType);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Fixture");
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ImportRegistryText(fixture.data(), fixture.size(), nullptr));
    std::string path = zb::test::TestRootPath("every_type_export.reg");
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ExportRegistryKey(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Fixture",
                                                               std::wstring(path.begin(), path.end())));
    std::string exported = ReadFile(path);
    CHECK_EQUAL(fixture.size(), exported.size());
    CHECK(exported == fixture);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZorBaseTests\\Fixture");
  }

  TEST(AcceptsUtf8AndRegedit4) {
    // REGEDIT4 keeps 8-bit strings; they come out as UTF-16LE data.
    std::string old_format =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"Path\"=hex(2):25,41,25,00\n\"Caf\xe9\"=\"na\xefve\"\n";
    Document document;
    ParseError error;
    CHECK(ParseText(old_format, &document, &error));
    CHECK(document.regedit4);
    CHECK(document.sections[0].values[0].data == SzData(L"%A%"));
    CHECK(document.sections[0].values[1].name == L"Caf\u00e9");
    CHECK(document.sections[0].values[1].data == SzData(L"na\u00efve"));
    std::string utf8 = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKCU\\Software\\New]\n\"Caf\xc3\xa9\"=\"\xe2\x82\xac\"\n";
    CHECK(ParseText(utf8, &document, &error));
    CHECK(document.sections[0].path == L"HKEY_CURRENT_USER\\Software\\New");
    CHECK(document.sections[0].values[0].name == L"Caf\u00e9");
    CHECK(document.sections[0].values[0].data == SzData(L"\u20ac"));
  }

  TEST(ReadsDeletionsCommentsAndContinuations) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "; a comment\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
        "[HKEY_CURRENT_USER\\Software\\Kept]\r\n"
        "\"Old\"=-\r\n"
        "@=-\r\n"
        "\"Wrapped\"=hex:01,02,\\\r\n"
        "    03,04\r\n"
        "  \"Indented\" = dword:1 ; trailing comment\r\n";
    Document document;
    ParseError error;
    CHECK(ParseText(text, &document, &error));
    CHECK_EQUAL(2u, document.sections.size());
    CHECK(document.sections[0].remove);
    CHECK(document.sections[1].values[0].remove);
    CHECK(document.sections[1].values[1].remove && document.sections[1].values[1].name.empty());
    CHECK(document.sections[1].values[2].data == std::vector<BYTE>({1, 2, 3, 4}));
    CHECK(document.sections[1].values[3].data == DwordData(1));
  }

  TEST(RejectsMalformedLinesWithTheirNumbers) {
    struct Case {
      const char* text;
      int line;
      const char* message;
    } cases[] = {
        {"", 1, "empty file"},
        {"REGEDIT5\n", 1, "header REGEDIT5 imports nothing"},
        {"\nREGEDIT4\n", 1, "not a registry file: unknown header"},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2, "value outside a key"},
        {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", 2, "unknown root key"},
        {"REGEDIT4\n[HKCU\\x\n", 2, "key line without ']'"},
        {"REGEDIT4\n[HKCU\\\\x]\n", 2, "bad key path"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:123456789\n", 3, "bad dword"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:\n", 3, "bad dword"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"open\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:1g\n", 3, "',' expected between hex bytes"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex(zz):00\n", 3, "bad hex type"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:00,\\\n\\\n", 4, "hex data expected; the value of line 3 is dropped"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=word:1\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"\n", 3, "'=' expected"},
        {"REGEDIT4\n[-HKCU\\x]\n\"a\"=-\n", 3, "value in a deleted key"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"\\0\"\n", 3, "unknown escape \\0 in the string"},
        {"REGEDIT4\n[HKCU\\x]\nstray\n", 3, "unrecognised line"},
    };
    for (const Case& c : cases) {
      Document document;
      ParseError error;
      CHECK(!ParseText(c.text, &document, &error));
      CHECK_EQUAL(c.line, error.line);
      CHECK_EQUAL(std::string(c.message), error.message);
      CHECK(document.sections.empty());
    }
  }

  TEST(ReadsLineByLineAsWindowsDoes) {
    // What is kept, and which lines are skipped, for the cases where the Windows tools read a
    // line differently from a strict grammar.
    const char* const kKey = "REGEDIT4\n[HKCU\\K]\n";
    struct Case {
      std::string text;
      const char* kept;
      std::vector<int> skipped;
    } cases[] = {
        // Headers.
        {"  REGEDIT4\n[HKCU\\K]\n", "[HKEY_CURRENT_USER\\K]", {}},
        {"\tREGEDIT4 trailing text\n[HKCU\\K]\n", "[HKEY_CURRENT_USER\\K]", {}},
        {" Windows Registry Editor Version 5.00\n[HKCU\\K]\n", "[HKEY_CURRENT_USER\\K]", {}},
        {"REGEDIT\n[HKCU\\K]\n", "", {1}},
        {"REGEDIT 4\n[HKCU\\K]\n", "", {1}},
        // Comments, blank lines and stray text.
        {std::string(kKey) + "# hash\n; semicolon\n\n\"a\"=dword:1\n", "[HKEY_CURRENT_USER\\K] a=4:01000000", {}},
        {std::string(kKey) + "stray\n\"a\"=dword:1\n", "[HKEY_CURRENT_USER\\K] a=4:01000000", {3}},
        // Values before any key, in a deleted key and in a skipped key.
        {"REGEDIT4\n\"a\"=dword:1\n[HKCU\\K]\n", "[HKEY_CURRENT_USER\\K]", {2}},
        {"REGEDIT4\n[-HKCU\\K]\n\"a\"=dword:1\n", "[-HKEY_CURRENT_USER\\K]", {3}},
        {"REGEDIT4\n[HKCU\\K]\n[HKXX\\L]\n\"a\"=dword:1\n", "[HKEY_CURRENT_USER\\K]", {3, 4}},
        {"REGEDIT4\n[ HKCU\\K]\n\"a\"=dword:1\n", "", {2, 3}},
        {"REGEDIT4\n[HKCU\\K] ; text after the key is ignored\n", "[HKEY_CURRENT_USER\\K]", {}},
        // Numbers.
        {std::string(kKey) + "\"a\"=dword:\t 2a ; c\n\"b\"=dword:123456789\n\"c\"=dword:1x\n",
         "[HKEY_CURRENT_USER\\K] a=4:2a000000", {4, 5}},
        // Strings and escapes.
        {std::string(kKey) + "\"a\"=\"\\\\ \\\"\" ; c\n\"b\"=\"\\0\"\n\"c\"=\"\\n\"\n\"d\"=\"x\" y\n\"e\\t\"=\"x\"\n",
         "[HKEY_CURRENT_USER\\K] a=1:5c00200022000000", {4, 5, 6, 7}},
        // Deletions with comments.
        {std::string(kKey) + "\"a\"=- ; gone\n\"b\"=-1\n", "[HKEY_CURRENT_USER\\K] a=-", {4}},
        // Hex data: comments, blank lines and comments inside a continuation, its end.
        {std::string(kKey) + "\"a\"=hex:01,02 ; c\n\"b\"=hex:01,\\ ; c\n\n; c\n  02\n\"c\"=hex:\n",
         "[HKEY_CURRENT_USER\\K] a=3:0102 b=3:0102 c=3:", {}},
        {std::string(kKey) + "\"a\"=hex:01,\\\n\\\n\"b\"=dword:1\n", "[HKEY_CURRENT_USER\\K] b=4:01000000", {4}},
        {std::string(kKey) + "\"a\"=hex:01,\\\n# not a comment here\n", "[HKEY_CURRENT_USER\\K]", {4}},
        {std::string(kKey) + "\"a\"=hex:01,02,\\\n", "[HKEY_CURRENT_USER\\K] a=3:0102", {}},
        {std::string(kKey) + "\"a\"=hex:01,1g\n\"b\"=hex:01\\\n\"c\"=hex:123\n\"d\"=hex(0x2):00\n", "[HKEY_CURRENT_USER\\K]",
         {3, 4, 5, 6}},
        // A key line that cuts hex data short is still read, so its values do not land in the key
        // before it.
        {std::string(kKey) + "\"a\"=hex:01,\\\n[HKCU\\L]\n\"b\"=dword:1\n",
         "[HKEY_CURRENT_USER\\K][HKEY_CURRENT_USER\\L] b=4:01000000", {4}},
    };
    for (const Case& c : cases) {
      Document document;
      std::vector<ParseError> skipped;
      CHECK(zb::platform::regfile::ReadLines(c.text.data(), c.text.size(), &document, &skipped));
      CHECK_EQUAL(std::string(c.kept), Describe(document));
      std::vector<int> lines;
      for (const ParseError& error : skipped) lines.push_back(error.line);
      CHECK(lines == c.skipped);
      if (lines != c.skipped || Describe(document) != c.kept) std::printf("case: %s\n", c.text.c_str());
    }
  }

  TEST(RefusesFilesWithoutAHeaderWindowsAccepts) {
    const char* const kRefused[] = {"", "\nREGEDIT4\n", "regedit4\n", "Windows Registry Editor Version 4.00\n",
                                    "; comment\nREGEDIT4\n"};
    for (const char* text : kRefused) {
      Document document;
      std::vector<ParseError> skipped;
      CHECK(!zb::platform::regfile::ReadLines(text, std::strlen(text), &document, &skipped));
      CHECK_EQUAL(1u, skipped.size());
      CHECK_EQUAL(1, skipped.empty() ? 0 : skipped[0].line);
    }
  }

  TEST(ANulInsideANameIsRefusedWithItsLine) {
    // Taken as a C string the name would be cut at the NUL and merge with another key or value.
    static const wchar_t kKey[] = L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\A\0B]\r\n";
    static const char kValue[] = "REGEDIT4\n[HKCU\\x]\n\"a\0b\"=\"v\"\n";
    const std::wstring key_line(kKey, sizeof(kKey) / sizeof(kKey[0]) - 1);
    const std::string value_line(kValue, sizeof(kValue) - 1);
    Document document;
    ParseError error;
    CHECK(!ParseText(Utf16File(key_line), &document, &error));
    CHECK_EQUAL(3, error.line);
    CHECK_EQUAL(std::string("NUL character in key name"), error.message);
    CHECK(!ParseText(value_line, &document, &error));
    CHECK_EQUAL(3, error.line);
    CHECK_EQUAL(std::string("NUL character in value name"), error.message);
    CHECK_EQUAL(ERROR_NOT_REGISTRY_FILE, zb::platform::ImportRegistryText(value_line.data(), value_line.size(), nullptr));
    HKEY untouched = nullptr;
    CHECK_EQUAL(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"x", 0, KEY_READ, &untouched));
  }

  TEST(LoneSurrogatesInNamesRoundTrip) {
    // Windows keeps any 16-bit units in a name; so must a trip through a .reg file.
    const std::wstring base = L"Software\\ZorBaseTests\\Surrogates";
    const std::wstring names[] = {std::wstring(L"a") + wchar_t(0xD800) + L"b",
                                  std::wstring(L"c") + wchar_t(0xDC80) + wchar_t(0xDCA9),
                                  std::wstring(1, wchar_t(0xDFFF)), std::wstring(L"\u00e9")};
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    for (const std::wstring& name : names) {
      HKEY key = nullptr;
      CHECK_EQUAL(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\" + name).c_str(), 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
      const DWORD one = 1;
      CHECK_EQUAL(ERROR_SUCCESS, RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&one), sizeof(one)));
      RegCloseKey(key);
    }
    const std::string path = zb::test::TestRootPath("surrogates.reg");
    const std::wstring wide_path(path.begin(), path.end());
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ExportRegistryKey(HKEY_CURRENT_USER, base.c_str(), wide_path));
    CHECK(ReadFile(path).find(std::string("a\0\x00\xD8" "b\0", 6)) != std::string::npos);
    CHECK_EQUAL(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()));
    CHECK_EQUAL(ERROR_SUCCESS, zb::platform::ImportRegistryFile(wide_path, nullptr));
    HKEY parent = nullptr;
    CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &parent));
    std::vector<std::wstring> found;
    for (DWORD index = 0;; ++index) {
      wchar_t name[64];
      DWORD size = 64;
      if (RegEnumKeyExW(parent, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      found.emplace_back(name, size);
    }
    RegCloseKey(parent);
    CHECK_EQUAL(4u, found.size());
    for (const std::wstring& name : names) {
      CHECK(std::find(found.begin(), found.end(), name) != found.end());
      HKEY key = nullptr;
      CHECK_EQUAL(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\" + name).c_str(), 0, KEY_READ, &key));
      DWORD value = 0;
      DWORD size = sizeof(value);
      CHECK_EQUAL(ERROR_SUCCESS, RegQueryValueExW(key, name.c_str(), nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(&value), &size));
      CHECK_EQUAL(1u, value);
      RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  }

  TEST(BuildTreeNeedsOneBase) {
    Document document;
    ParseError error;
    CHECK(ParseText("REGEDIT4\n[HKCU\\A]\n\"v\"=dword:1\n[HKCU\\A\\B\\C]\n[HKCU\\a\\b]\n\"w\"=\"x\"\n", &document, &error));
    zb::platform::reg::TreeKey tree;
    std::wstring base;
    CHECK(zb::platform::regfile::BuildTree(document, &tree, &base));
    CHECK(base == L"HKEY_CURRENT_USER\\A");
    CHECK_EQUAL(1u, tree.values.size());
    CHECK_EQUAL(1u, tree.children.size());
    CHECK(tree.children[0].name == L"B");
    CHECK_EQUAL(1u, tree.children[0].values.size());
    CHECK_EQUAL(1u, tree.children[0].children.size());
    CHECK(ParseText("REGEDIT4\n[HKCU\\A]\n[HKCU\\Other]\n", &document, &error));
    CHECK(!zb::platform::regfile::BuildTree(document, &tree, &base));
  }
}
