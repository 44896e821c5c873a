// Tests of MIniFile: reading files as Windows tools write them, the parser's rules, the byte-exact
// UTF-16 layout it writes, typed reads, the filter, and bad input.
#include <zorbase/settings/MIniFile.h>

#include <UnitTest++/UnitTest++.h>

#include <cmath>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

using zb::test::ScratchDir;

namespace {

std::string Fixture(const char* name) {
  std::string path = std::string(ZORBASE_SOURCE_DIR) + "/zorbase/settings/testdata/" + name;
  FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes;
  if (f == nullptr) return bytes;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

std::wstring Value(const MIniFile& ini, const wchar_t* section, const wchar_t* key) {
  CString out;
  ini.GetValue(out, section, key, L"<missing>");
  return out.GetString();
}

std::string Utf16(const std::wstring& text) { return zb::platform::WideToUtf16Le(text.data(), text.size()); }

// Reads `text` (8-bit) as the file a.ini of a fresh scratch folder.
void ReadBack(MIniFile& ini, const std::string& text, ScratchDir& dir) {
  dir.Put("a.ini", text);
  CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"a.ini").c_str(), 0));
}

}  // namespace

SUITE(MIniFile) {
  TEST(MakeUnicodeNameTable) {
    struct Case {
      const wchar_t* path;
      const wchar_t* expected;
    } cases[] = {
        {L"settings.ini", L"settings_u.ini"},
        {L"settings", L"setting_us"},
        {L"C:\\dir.x\\settings", L"C:\\dir.x\\setting_us"},
        {L"C:\\dir\\a.b.ini", L"C:\\dir\\a.b_u.ini"},
        {L"", L"_u"},
    };
    for (const Case& c : cases) {
      wchar_t out[64];
      MIniFile::MakeUnicodeName(out, c.path);
      CHECK_WIDE(c.expected, out);
    }
  }

  TEST(ReadsTheEightBitFixtureAsWindowsWroteIt) {
    ScratchDir dir("IniAnsi");
    dir.Put("app.ini", Fixture("windows_ansi.ini"));
    MIniFile ini;
    CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"app.ini").c_str(), 0));
    CHECK_WIDE(L"Caf\u00e9 Cr\u00e8me", Value(ini, L"general", L"NAME"));
    CHECK_WIDE(L"C:\\Program Files\\App", Value(ini, L"General", L"Path"));
    CHECK_WIDE(L"first line\n  second line keeps its spaces\n\nlast = line", Value(ini, L"General", L"Notes"));
    CHECK_WIDE(L"<missing>", Value(ini, L"General", L"EmptyKey"));  // dropped: empty, followed by an entry
    CHECK_WIDE(L"1", Value(ini, L"General", L"Next"));
    CHECK_WIDE(L"value", Value(ini, L" Spaced ", L"Tabbed"));
    CHECK_WIDE(L"x", Value(ini, L" spaced ", L"key"));
    CHECK_EQUAL(2u, ini.GetSectionsCount());
  }

  TEST(ReadsTheUnicodeFileFirst) {
    ScratchDir dir("IniUnicode");
    dir.Put("app_u.ini", Fixture("windows_utf16_u.ini"));
    dir.Put("app.ini", "[General]\r\nLanguage=ignored\r\n");
    MIniFile ini;
    CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"app.ini").c_str(), 0));
    CHECK_WIDE(L"Deutsch", Value(ini, L"General", L"Language"));
    CHECK_WIDE(L"J\u00fcrgen M\u00fcller", Value(ini, L"General", L"User"));
    CHECK_WIDE(L"\u00dcbersicht \u2013 \u65e5\u672c", Value(ini, L"FENSTER", L"Titel"));
    CHECK_EQUAL(1024u, ini.GetValueDWORD(L"Fenster", L"Breite", 0));
  }

  TEST(PartExamplesOfTheParser) {
    ScratchDir dir("IniParser");
    MIniFile ini;
    ReadBack(ini, "[General]\nName = Value\n\n[Other]\nKey=  x\n", dir);
    CHECK_WIDE(L"Value", Value(ini, L"General", L"Name"));
    CHECK_WIDE(L"x", Value(ini, L"Other", L"Key"));
    ReadBack(ini, "[general]\na=1\n", dir);
    CHECK_WIDE(L"1", Value(ini, L"GENERAL", L"A"));
    // Continuations without a pending key are ignored; "=" alone adds an empty line.
    ReadBack(ini, "[S]\nloose line\nk=a\n=\n=b\n", dir);
    CHECK_WIDE(L"a\n\nb", Value(ini, L"S", L"k"));
    CHECK_EQUAL(1u, ini.GetEntriesCount(0));
  }

  TEST(WritesByteExactUtf16) {
    ScratchDir dir("IniWrite");
    MIniFile ini;
    ini.SetValue(L"Zeta", L"k", L"two\nlines", false);
    ini.SetValue(L"general", L"Name", L"Value", false);
    ini.SetValue(L"General", L"Lead", L" spaced", false);
    ini.SetValue(L"Zeta", L"w", L"\u65e5\U0001F600", false);
    CHECK_EQUAL(0u, ini.WriteToFile(dir.Win(L"out.ini").c_str(), L"first\nsecond"));
    CHECK(!dir.Exists("out.ini"));
    CHECK(Fixture("written_u.ini") == dir.Get("out_u.ini"));
    // Read back: same sections, keys and values.
    MIniFile back;
    CHECK_EQUAL(0u, back.ReadFromFile(dir.Win(L"out.ini").c_str(), 0));
    CHECK_WIDE(L"two\nlines", Value(back, L"Zeta", L"k"));
    CHECK_WIDE(L" spaced", Value(back, L"General", L"Lead"));
    CHECK_WIDE(L"\u65e5\U0001F600", Value(back, L"Zeta", L"w"));
    CString name;
    CHECK_EQUAL(2u, back.GetSectionsCount());
  }

  TEST(PartExamplesOfTheWriter) {
    ScratchDir dir("IniWriterExamples");
    MIniFile ini;
    ini.SetValue(L"S", L"Key", L"two\nlines", false);
    CHECK_EQUAL(0u, ini.WriteToFile(dir.Win(L"w.ini").c_str(), nullptr));
    CHECK(Utf16(L"[S]\r\nKey = two\r\n=lines\r\n\r\n") == dir.Get("w_u.ini"));
    ini.SetValue(L"S", L"Key", L" x", false);
    CHECK_EQUAL(0u, ini.WriteToFile(dir.Win(L"w.ini").c_str(), L""));
    CHECK(Utf16(L"[S]\r\nKey = \r\n= x\r\n\r\n") == dir.Get("w_u.ini"));
  }

  TEST(TypedReads) {
    MIniFile ini;
    struct DwordCase {
      const wchar_t* value;
      DWORD expected;
    } dwords[] = {{L"TRUE", 1}, {L"On", 1}, {L"false", 0}, {L"OFF", 0}, {L"0x1F", 31},
                  {L"0b101", 5}, {L"abc", 77}, {L"12abc", 12}, {L"0", 0}, {L"99999999999", 0xFFFFFFFFu},
                  {L"0xZZ", 77}, {L"7 ", 7}};
    for (const DwordCase& c : dwords) {
      ini.SetValue(L"S", L"k", c.value, false);
      CHECK_EQUAL(c.expected, ini.GetValueDWORD(L"S", L"k", 77));
    }
    CHECK_EQUAL(77u, ini.GetValueDWORD(L"S", L"missing", 77));
    struct DoubleCase {
      const wchar_t* value;
      double expected;
    } doubles[] = {{L"2.5", 2.5}, {L"abc", -1.0}, {L"0", 0.0}, {L"  ", -1.0}, {L"1e999", -1.0},
                   {L"0x", -1.0}, {L"3.5kg", 3.5}};
    for (const DoubleCase& c : doubles) {
      ini.SetValue(L"S", L"d", c.value, false);
      CHECK_EQUAL(c.expected, ini.GetValueDouble(L"S", L"d", -1.0));
    }
    ini.SetValue(L"S", L"n", DWORD{4000000000u}, false);
    CHECK_WIDE(L"4000000000", Value(ini, L"S", L"n"));
  }

  TEST(SetValueReportsChanges) {
    MIniFile ini;
    CHECK(ini.SetValue(L"S", nullptr, nullptr, true));   // section created
    CHECK(!ini.SetValue(L"s", nullptr, nullptr, true));  // exists
    CHECK(ini.SetValue(L"S", L"k", L"v", true));
    CHECK(!ini.SetValue(L"S", L"K", L"v", true));
    CHECK(ini.SetValue(L"S", L"K", L"V", true));  // exact comparison
    CHECK_WIDE(L"V", Value(ini, L"S", L"k"));
    CHECK(ini.SetValue(L"S", L"k", L"V", false));
    CHECK(ini.HasValue(L"s", L"K"));
    CString name;
    CHECK_WIDE(L"k", ini.GetEntryName(name, 0, 0, 0).GetString());
    CHECK_WIDE(L"V", ini.GetEntryName(name, 0, 0, 1).GetString());
    CHECK_WIDE(L"S", ini.GetSectionName(name, 0).GetString());
    CHECK_WIDE(L"S", ini.GetSectionName(name, 5).GetString());  // out of range: unchanged
    CHECK_EQUAL(0u, ini.GetEntriesCount(5));
  }

  TEST(ClearBits) {
    MIniFile ini;
    ini.SetValue(L"A", L"k", L"v", false);
    ini.AddInterestedRecord(L"A", nullptr);
    ini.Clear(2);
    CHECK_EQUAL(1u, ini.GetSectionsCount());
    CHECK(ini.HasValue(L"A", L"k"));
    CHECK_WIDE(L"", Value(ini, L"A", L"k"));
    ini.Clear(3);
    CHECK_EQUAL(0u, ini.GetSectionsCount());
    CHECK(ini.IsRecordInterested(L"A", L"x"));
    ini.Clear(4);
    CHECK(!ini.IsRecordInterested(L"A", L"x"));
  }

  TEST(FilterKeepsOnlyInterestedRecords) {
    ScratchDir dir("IniFilter");
    const std::string text = "[A]\nk=1\nj=2\n[B]\nk=3\n";
    MIniFile ini;
    CHECK(ini.IsRecordInterested(L"any", L"thing"));
    ini.AddInterestedRecord(L"A", nullptr);
    ReadBack(ini, text, dir);
    CHECK_EQUAL(1u, ini.GetSectionsCount());
    CHECK_EQUAL(2u, ini.GetEntriesCount(0));
    ini.SetInterestedRecord(L"a", L"k");
    ReadBack(ini, text, dir);
    CHECK_EQUAL(1u, ini.GetEntriesCount(0));
    CHECK_WIDE(L"1", Value(ini, L"A", L"k"));
    ini.AddInterestedRecord(L"A", nullptr);  // the whole section again
    CHECK(ini.IsRecordInterested(L"A", L"j"));
    CHECK(!ini.IsRecordInterested(L"B", nullptr));
  }

  TEST(MissingFileIsNoError) {
    ScratchDir dir("IniMissing");
    MIniFile ini;
    ini.SetValue(L"S", L"k", L"v", false);
    CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"none.ini").c_str(), 1));
    CHECK_EQUAL(1u, ini.GetSectionsCount());
    CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"none.ini").c_str(), 0));
    CHECK_EQUAL(0u, ini.GetSectionsCount());
  }

  TEST(BadInputGivesACodeAndKeepsTheContents) {
    ScratchDir dir("IniBad");
    std::string long_line = "[S]\nk=" + std::string(61441, 'x') + "\n";
    dir.Put("long.ini", long_line);
    dir.Put("fine.ini", "[S]\nk=" + std::string(61438, 'x') + "\n");
    dir.Put("odd_u.ini", Utf16(L"[S]\r\nk=v\r\n") + "A");
    dir.Put("sub.ini/keep", "");
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    dir.Put("garbage.ini", garbage);
    MIniFile ini;
    ini.SetValue(L"Keep", L"me", L"1", false);
    CHECK_EQUAL(1017u, ini.ReadFromFile(dir.Win(L"long.ini").c_str(), 0));
    CHECK_WIDE(L"1", Value(ini, L"Keep", L"me"));
    CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_DATA), ini.ReadFromFile(dir.Win(L"odd.ini").c_str(), 0));
    CHECK_WIDE(L"1", Value(ini, L"Keep", L"me"));
    CHECK(ini.ReadFromFile(dir.Win(L"sub.ini").c_str(), 0) != 0);
    CHECK_WIDE(L"1", Value(ini, L"Keep", L"me"));
    // An unpaired surrogate stays one unit of the value and is written back as it came.
    dir.Put("lone_u.ini", Utf16(L"[S]\r\nk=a") + std::string("\x00\xD8", 2) + Utf16(L"b\r\n"));
    MIniFile lone;
    CHECK_EQUAL(0u, lone.ReadFromFile(dir.Win(L"lone.ini").c_str(), 0));
    CHECK(Value(lone, L"S", L"k") == std::wstring(L"a") + wchar_t(0xD800) + L"b");
    CHECK_EQUAL(0u, lone.WriteToFile(dir.Win(L"lone2.ini").c_str(), nullptr));
    CHECK(dir.Get("lone2_u.ini").find(std::string("a\x00\x00\xD8" "b", 5)) != std::string::npos);
    CHECK_EQUAL(0u, ini.ReadFromFile(dir.Win(L"fine.ini").c_str(), 1));
    CHECK_EQUAL(2u, ini.GetSectionsCount());
    ini.ReadFromFile(dir.Win(L"garbage.ini").c_str(), 0);  // any result, no crash
#ifndef _WIN32  // permission bits that deny reading
    if (geteuid() != 0) {
      dir.Put("locked.ini", "[S]\nk=v\n");
      chmod(dir.Native("locked.ini").c_str(), 0);
      MIniFile other;
      other.SetValue(L"Keep", L"me", L"2", false);
      CHECK_EQUAL(static_cast<DWORD>(ERROR_ACCESS_DENIED), other.ReadFromFile(dir.Win(L"locked.ini").c_str(), 0));
      CHECK_WIDE(L"2", Value(other, L"Keep", L"me"));
    }
#endif
  }

  TEST(AFailedWriteKeepsTheOldFile) {
    ScratchDir dir("IniWriteFault");
    MIniFile ini;
    ini.SetValue(L"S", L"k", L"old", false);
    CHECK_EQUAL(0u, ini.WriteToFile(dir.Win(L"f.ini").c_str(), nullptr));
    const std::string old = dir.Get("f_u.ini");
    ini.SetValue(L"S", L"k", L"new", false);
    {
      zb::platform::ScopedFault fault(zb::platform::FaultPoint::kWrite, 1, ENOSPC);
      CHECK_EQUAL(static_cast<DWORD>(ERROR_DISK_FULL), ini.WriteToFile(dir.Win(L"f.ini").c_str(), nullptr));
    }
    CHECK(old == dir.Get("f_u.ini"));
  }
}
