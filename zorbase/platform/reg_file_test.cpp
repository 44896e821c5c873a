// Tests of the .reg file reader and writer, and the byte-for-byte round trip through a hive.
#include <zorbase/platform/portable/reg_file.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
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
        {"REGEDIT5\n", 1, "not a registry file: unknown header"},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2, "value outside a key"},
        {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", 2, "unknown root key"},
        {"REGEDIT4\n[HKCU\\x\n", 2, "key line without ']'"},
        {"REGEDIT4\n[HKCU\\\\x]\n", 2, "bad key path"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:123456789\n", 3, "bad dword"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:\n", 3, "bad dword"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"open\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:1g\n", 3, "',' expected between hex bytes"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex(zz):00\n", 3, "bad hex type"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:00,\\\n", 3, "hex data continues past the end"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=word:1\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"\n", 3, "'=' expected"},
        {"REGEDIT4\n[-HKCU\\x]\n\"a\"=-\n", 3, "value in a deleted key"},
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
