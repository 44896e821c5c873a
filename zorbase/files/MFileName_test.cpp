#include <zorbase/files/MFileName.h>

#include <UnitTest++/UnitTest++.h>

#include <cwchar>
#include <string>

#include <zorbase/strings/internal/wide_check.h>

namespace {

// Shows the four parts with missing ones as "-" and present ones in angle brackets, so that missing
// and empty parts can be told apart.
class Probe : public MFileName {
 public:
  explicit Probe(const MFileName& name) : MFileName(name) {}
  std::string Parts() const {
    return Show(m_drive) + " " + Show(m_dir) + " " + Show(m_file) + " " + Show(m_ext);
  }
  bool RelativeMode() const { return m_relative_path_mode; }

 private:
  static std::string Show(const wchar_t* part) {
    return part ? "<" + zb::internal::PrintableWide(part) + ">" : "-";
  }
};

std::string Parts(const MFileName& name) { return Probe(name).Parts(); }

const wchar_t* const kFlagNames[] = {L"false", L"true"};

}  // namespace

SUITE(MFileName) {

TEST(DefaultIsEmpty) {
  MFileName name;
  CHECK(name.IS_EMPTY());
  CHECK_WIDE(L"", name.GET());
  CHECK_EQUAL("- - - -", Parts(name));
  CHECK(!Probe(name).RelativeMode());
  for (bool flag : {false, true}) {
    CHECK(MFileName(L"", flag).IS_EMPTY());
    CHECK(!MFileName(L"NotEmpty", flag).IS_EMPTY());
  }
}

TEST(ParseTable) {
  struct Case {
    const wchar_t* text;
    bool is_directory;
    const char* parts;
    const wchar_t* composed;
  };
  const Case cases[] = {
      {L"C:\\DirectoryName\\FileName.Extension", false,
       "<C:> <\\DirectoryName\\> <FileName> <.Extension>", L"C:\\DirectoryName\\FileName.Extension"},
      {L"C:\\FileName.Extension", false, "<C:> <\\> <FileName> <.Extension>",
       L"C:\\FileName.Extension"},
      {L"C:\\TestDir", false, "<C:> <\\> <TestDir> -", L"C:\\TestDir"},
      {L"C:\\TestDir", true, "<C:> <\\TestDir> - -", L"C:\\TestDir"},
      {L"C:", false, "<C:> - - -", L"C:"},
      {L"C:", true, "<C:> - - -", L"C:"},
      {L"C:\\", false, "<C:> <\\> - -", L"C:\\"},
      {L"C:\\", true, "<C:> <\\> - -", L"C:\\"},
      {L"C:\\FileName.Ext", true, "<C:> <\\FileName.Ext> - -", L"C:\\FileName.Ext"},
      {L"a.b.c", false, "- - <a.b> <.c>", L"a.b.c"},
      {L"a..b", false, "- - <a.> <.b>", L"a..b"},
      {L"a.", false, "- - <a> <.>", L"a."},
      {L".txt", false, "- - - <.txt>", L".txt"},
      {L"C:\\Dir\\..", false, "<C:> <\\Dir\\> <..> -", L"C:\\Dir\\.."},
      {L"..", false, "- - <..> -", L".."},
      {L".", false, "- <.> - -", L"\\."},
      {L".", true, "- <.> - -", L"\\."},
      {L"..\\TestDir", false, "- <..\\> <TestDir> -", L"\\..\\TestDir"},
      {L"..\\TestDir", true, "- <..\\TestDir> - -", L"\\..\\TestDir"},
      {L"TestDir", false, "- - <TestDir> -", L"TestDir"},
      {L"TestDir", true, "- <TestDir> - -", L"\\TestDir"},
      {L"dir\\sub\\", false, "- <dir\\sub\\> - -", L"\\dir\\sub\\"},
      {L"C:x.txt", false, "<C:> - <x> <.txt>", L"C:x.txt"},
      {L"\\\\server", false, "<\\\\server> - - -", L"\\\\server"},
      {L"\\\\server", true, "<\\\\server> - - -", L"\\\\server"},
      {L"\\\\host.example.com", false, "<\\\\host.example.com> - - -", L"\\\\host.example.com"},
      {L"\\\\server\\share", false, "<\\\\server> <\\> <share> -", L"\\\\server\\share"},
      {L"\\\\server\\share\\file.txt", false, "<\\\\server> <\\share\\> <file> <.txt>",
       L"\\\\server\\share\\file.txt"},
      {L"\\\\\\x", false, "<\\\\> <\\> <x> -", L"\\\\\\x"},
      {L"\\Dir\\.ext", false, "- <\\Dir\\> - <.ext>", L"\\Dir\\.ext"},
  };
  for (const Case& c : cases) {
    MFileName name(c.text, c.is_directory);
    CHECK_EQUAL(c.parts, Parts(name));
    CHECK_WIDE(c.composed, name.GET());
    if (Parts(name) != c.parts) {
      std::printf("  while parsing %s (%s)\n", zb::internal::PrintableWide(c.text).c_str(),
                  zb::internal::PrintableWide(kFlagNames[c.is_directory]).c_str());
    }
  }
  MFileName defaulted(L"TestDir");  // the flag defaults to false
  CHECK_EQUAL("- - <TestDir> -", Parts(defaulted));
}

TEST(ThreeTextConstructor) {
  struct Case {
    const wchar_t *dir, *file, *ext, *composed;
  };
  const Case cases[] = {
      {L"", L"", L"", L"\\."},
      {L"C:\\", L"", L"", L"C:\\."},
      {L"C:\\", L"FileTitle", L"", L"C:\\FileTitle."},
      {L"C:\\FileTitle", L"", L"", L"C:\\FileTitle\\."},
      {L"C:\\", L"FileTitle", L"FileExt", L"C:\\FileTitle.FileExt"},
      {L"TestDir", L"FileTitle", L"FileExt", L"\\TestDir\\FileTitle.FileExt"},
  };
  for (const Case& c : cases) {
    for (bool flag : {false, true}) CHECK_WIDE(c.composed, MFileName(c.dir, c.file, c.ext, flag).GET());
  }
  CHECK_EQUAL("<C:> <\\> <FileTitle> <.FileExt>",
              Parts(MFileName(L"C:\\", L"FileTitle", L"FileExt")));
  // Null texts count as empty.
  CHECK_WIDE(L"C:\\.", MFileName(L"C:\\", nullptr, nullptr, false).GET());
  CHECK_WIDE(L"\\x.", MFileName(nullptr, L"x", nullptr, false).GET());
}

TEST(ThreeTextConstructorRefusesTooLongText) {
  // dir (250) + backslash + file + dot + ext: 259 characters are accepted, 260 refused.
  std::wstring dir = L"C:" + std::wstring(248, L'd');
  MFileName fits(dir.c_str(), L"abcd", L"efg", false);
  CHECK_EQUAL("<C:> <" + std::string(248, 'd') + "\\> <abcd> <.efg>", Parts(fits));
  MFileName refused(dir.c_str(), L"abcd", L"efgh", false);
  CHECK(refused.IS_EMPTY());
  std::wstring huge(5000, L'x');
  CHECK(MFileName(huge.c_str(), huge.c_str(), huge.c_str(), true).IS_EMPTY());
}

TEST(FourPartConstructor) {
  struct Case {
    const wchar_t *drive, *dir, *file, *ext, *composed;
  };
  const Case cases[] = {
      {L"", L"", L"", L"", L"."},
      {L"C:", L"", L"", L"", L"C:."},
      {L"C:\\", L"", L"", L"", L"C:\\."},
      {L"C:", L"DirName", L"FileTitle", L"FileExt", L"C:\\DirName\\FileTitle.FileExt"},
      {L"C:\\", L"DirName", L"FileTitle", L"FileExt", L"C:\\\\DirName\\FileTitle.FileExt"},
      {L"C:", L"DirName", L"FileTitle.FakeExt", L"FileExt",
       L"C:\\DirName\\FileTitle.FakeExt.FileExt"},
      {L"C:", L"DirName.FakeExt", L"FileTitle.FakeExt", L"FileExt",
       L"C:\\DirName.FakeExt\\FileTitle.FakeExt.FileExt"},
  };
  for (const Case& c : cases) CHECK_WIDE(c.composed, MFileName(c.drive, c.dir, c.file, c.ext).GET());
  CHECK_EQUAL("<> <> <> <.>", Parts(MFileName(L"", L"", L"", L"")));
  // Null texts leave their parts missing.
  MFileName partial(L"C:", nullptr, L"x", nullptr);
  CHECK_EQUAL("<C:> - <x> -", Parts(partial));
  CHECK_WIDE(L"C:x", partial.GET());
}

TEST(PartReaders) {
  MFileName flat(L"C:\\FileName.Extension");
  CHECK_WIDE(L"C:", flat.GET_DRIVE_PART());
  CHECK_WIDE(L"\\", flat.GET_DIR_PART());
  CHECK_WIDE(L"FileName", flat.GET_FILE_PART());
  CHECK_WIDE(L".Extension", flat.GET_EXT_PART());
  MFileName deep(L"C:\\DirectoryName\\FileName.Extension");
  CHECK_WIDE(L"\\DirectoryName\\", deep.GET_DIR_PART());
  deep.SET_FILE_PART(L"File.Title", 256);
  CHECK_WIDE(L"File.Title", deep.GET_FILE_PART());
  deep.SET_FILE_PART(L"", 256);
  CHECK_WIDE(L"", deep.GET_FILE_PART());
  CHECK_EQUAL("<C:> <\\DirectoryName\\> <> <.Extension>", Parts(deep));
  // Missing parts read as "" too.
  MFileName empty;
  CHECK_WIDE(L"", empty.GET_DRIVE_PART());
  CHECK_WIDE(L"", empty.GET_EXT_PART());
}

TEST(DriveDirAndFileExtForms) {
  MFileName four(L"C:", L"DirName", L"FileTitle", L"FileExt");
  CHECK_WIDE(L"C:\\DirName\\", four.GET_DRIVE_DIR_PARTS());
  CHECK_WIDE(L"C:\\DirName", four.GET_DRIVE_DIR_PARTS(false));
  CHECK_WIDE(L"FileTitle.FileExt", four.GET_FILE_EXT_PARTS());
  MFileName no_dir(L"C:", L"", L"FileTitle", L"FileExt");
  CHECK_WIDE(L"C:\\", no_dir.GET_DRIVE_DIR_PARTS(true));
  CHECK_WIDE(L"C:", no_dir.GET_DRIVE_DIR_PARTS(false));
  MFileName parsed(L"C:\\FileTitle.FileExt");
  CHECK_WIDE(L"C:\\", parsed.GET_DRIVE_DIR_PARTS(true));
  CHECK_WIDE(L"C:", parsed.GET_DRIVE_DIR_PARTS(false));
  CHECK_WIDE(L"", MFileName().GET_DRIVE_DIR_PARTS(true));
  CHECK_WIDE(L"", MFileName(L"x.y").GET_DRIVE_DIR_PARTS(true));
  MFileName dot_only(L"", L"", L"t", L"");
  CHECK_WIDE(L"t.", dot_only.GET_FILE_EXT_PARTS());
}

TEST(RelativePathModeAndComposition) {
  MFileName name(L"", L"Dir", L"File", L"Ext");
  CHECK_WIDE(L"\\Dir\\File.Ext", name.GET());
  name.SET_RELATIVE_PATH_MODE(true);
  CHECK_WIDE(L"Dir\\File.Ext", name.GET());
  name.SET(L"Other\\x.y", false);  // SET keeps the mode
  CHECK_WIDE(L"Other\\x.y", name.GET());
  name.FREE();  // FREE keeps it too
  CHECK(Probe(name).RelativeMode());
}

TEST(SetOnExistingName) {
  for (bool flag : {false, true}) {
    MFileName name(L"C:\\Dir\\File.Ext");
    name.SET(L"D:", flag);
    CHECK_WIDE(L"D:", name.GET());
    name.SET(L"D:\\", flag);
    CHECK_WIDE(L"D:\\", name.GET());
    name.SET(L"D:\\DirName", flag);
    CHECK_WIDE(L"D:\\DirName", name.GET());
    name.SET(nullptr, flag);
    CHECK(name.IS_EMPTY());
  }
}

TEST(PartSetters) {
  struct Case {
    int setter;  // 0 drive, 1 dir, 2 file, 3 ext
    const wchar_t* text;
    size_t max;
    const wchar_t* composed;
  };
  const Case cases[] = {
      {0, L"D:", 0, L"D:\\MFileNameUnitTests\\"},
      {0, L"E:\\", 0, L"E:\\\\MFileNameUnitTests\\"},
      {0, L"E", 0, L"E\\MFileNameUnitTests\\"},
      {0, L"", 0, L"\\MFileNameUnitTests\\"},
      {1, L"OtherDir", 260, L"C:\\OtherDir"},
      {1, L"OtherDir\\", 260, L"C:\\OtherDir\\"},
      {1, L"", 260, L"C:"},
      {1, L"LongerThanMax\\", 3, L"C:\\LongerThanMax\\"},  // the directory ignores its maximum
      {2, L"File", 256, L"C:\\MFileNameUnitTests\\File"},
      {2, L"File\\", 256, L"C:\\MFileNameUnitTests\\File "},
      {2, L"", 256, L"C:\\MFileNameUnitTests\\"},
      {2, L"a/b:c<d>e|f*g?h\"i", 256, L"C:\\MFileNameUnitTests\\a b c d e f*g?h\"i"},
      {2, L"Filename", 4, L"C:\\MFileNameUnitTests\\File"},
      {3, L"Ext", 256, L"C:\\MFileNameUnitTests\\.Ext"},
      {3, L"Extension", 256, L"C:\\MFileNameUnitTests\\.Extension"},
      {3, L"", 256, L"C:\\MFileNameUnitTests\\."},
      {3, L".Ext", 256, L"C:\\MFileNameUnitTests\\.Ext"},
      {3, L".Ext.Ext", 256, L"C:\\MFileNameUnitTests\\.Ext.Ext"},
      {3, L".E.xt.Ext", 256, L"C:\\MFileNameUnitTests\\.E.xt.Ext"},
      {3, L"..E.", 256, L"C:\\MFileNameUnitTests\\..E."},
      {3, L"...E", 256, L"C:\\MFileNameUnitTests\\...E"},
      {3, L"...E", 8, L"C:\\MFileNameUnitTests\\...E"},
      {3, L"Extension", 3, L"C:\\MFileNameUnitTests\\.Ext"},   // dot plus three characters
      {3, L".Extension", 3, L"C:\\MFileNameUnitTests\\.Ex"},   // the dot counts
      {3, L"a\\b/c", 256, L"C:\\MFileNameUnitTests\\.a b c"},
  };
  for (const Case& c : cases) {
    MFileName name(L"C:\\MFileNameUnitTests\\");
    CHECK_EQUAL("<C:> <\\MFileNameUnitTests\\> - -", Parts(name));
    switch (c.setter) {
      case 0: name.SET_DRIVE_PART(c.text); break;
      case 1: name.SET_DIR_PART(c.text, c.max); break;
      case 2: name.SET_FILE_PART(c.text, c.max); break;
      default: name.SET_EXT_PART(c.text, c.max); break;
    }
    CHECK_WIDE(c.composed, name.GET());
  }
}

TEST(SettersStoreEmptyPartsAndNullMakesMissing) {
  MFileName name(L"C:\\Dir\\File.Ext");
  name.SET_DRIVE_PART(L"");
  name.SET_DIR_PART(L"", 260);
  name.SET_FILE_PART(L"", 256);
  name.SET_EXT_PART(L"", 256);
  CHECK_EQUAL("<> <> <> <.>", Parts(name));
  CHECK(!name.IS_EMPTY());
  name.SET_DRIVE_PART(nullptr);
  name.SET_DIR_PART(nullptr, 260);
  name.SET_FILE_PART(nullptr, 256);
  name.SET_EXT_PART(nullptr, 256);
  CHECK(name.IS_EMPTY());
  name.SET(L"a.b", false);
  name.SET_FILE_EXT_PARTS(nullptr, 8, 3);
  CHECK(name.IS_EMPTY());
}

TEST(SetFileExtParts) {
  struct Case {
    const wchar_t* text;
    size_t max_file, max_ext;
    const wchar_t* composed;
  };
  const Case cases[] = {
      {L"File.Ext", 256, 256, L"C:\\MFileNameUnitTests\\File.Ext"},
      {L"File.Ext", 8, 4, L"C:\\MFileNameUnitTests\\File.Ext"},
      {L"File.Ext", 8, 3, L"C:\\MFileNameUnitTests\\File.Ex"},
      {L"Filename.Ext", 8, 4, L"C:\\MFileNameUnitTests\\Filename.Ext"},
      {L"Filenameistoolong.Ext", 8, 4, L"C:\\MFileNameUnitTests\\Filename.Ext"},
      {L"a.b.c", 256, 256, L"C:\\MFileNameUnitTests\\a.b.c"},
  };
  for (const Case& c : cases) {
    MFileName name(L"C:\\MFileNameUnitTests\\");
    name.SET_FILE_EXT_PARTS(c.text, c.max_file, c.max_ext);
    CHECK_WIDE(c.composed, name.GET());
  }
  MFileName keeps_ext(L"C:\\Dir\\Old.txt");
  keeps_ext.SET_FILE_EXT_PARTS(L"NoDot", 256, 256);
  CHECK_WIDE(L"C:\\Dir\\NoDot.txt", keeps_ext.GET());
}

TEST(Compare) {
  MFileName name(L"C:\\Dir\\FileTitle.Ext");
  for (unsigned short flags : {15, 1, 3, 7, 6}) CHECK(name.COMPARE(name, flags));
  MFileName other_drive(name);
  other_drive.SET_DRIVE_PART(L"D:");
  CHECK(!name.COMPARE(other_drive));
  CHECK(!name.COMPARE(other_drive, MFileName::COMPARE_DRIVE));
  CHECK(name.COMPARE(other_drive, MFileName::COMPARE_DIR | MFileName::COMPARE_FILE));
  CHECK(name.COMPARE(other_drive, 0));

  MFileName copy(name);
  CHECK(copy == name);
  CHECK_WIDE(std::wstring(name.GET()), copy.GET());
  MFileName title2(L"C:\\Dir\\FileTitle2.Ext");
  CHECK(title2 != name);
  CHECK(std::wstring(title2.GET()) != std::wstring(name.GET()));

  MFileName slashless(L"C:", L"\\Dir", L"f", L"e");
  MFileName slashed(L"C:", L"\\Dir\\", L"f", L"e");
  CHECK(slashless == slashed);
  CHECK(slashed == slashless);
  MFileName upper(L"C:", L"\\DIR", L"f", L"e");
  MFileName lower(L"C:", L"\\dir", L"f", L"e");
  CHECK(upper == lower);
  CHECK(!upper.COMPARE(lower, 15 | MFileName::COMPARE_CASE_SENSITIVE));
  // Lengths apart by two never match; by one only with the extra trailing backslash.
  MFileName two_more(L"C:", L"\\Dir\\\\", L"f", L"e");
  CHECK(two_more != slashless);
  MFileName dirx(L"C:", L"\\Dirx", L"f", L"e");
  CHECK(dirx != slashless);
  // Missing versus empty parts differ; ASCII folding only.
  CHECK(MFileName(L"C:\\x") == MFileName(L"C:", L"\\", L"x", nullptr));
  CHECK(MFileName(L"C:\\") != MFileName(L"C:", L"\\", L"", nullptr));
  CHECK(MFileName(L"\\\u00C4.t") != MFileName(L"\\\u00E4.t"));
  CHECK(MFileName(L"\\ABC.T") == MFileName(L"\\abc.t"));
}

TEST(AppendResolvesRelativeDirectories) {
  MFileName base(L"", L"\\A\\B\\", nullptr, nullptr);
  MFileName other(L"", L"..\\C", L"y", nullptr);
  other.SET_DRIVE_PART(nullptr);
  base.APPEND(other);
  CHECK_WIDE(L"\\A\\C", base.GET_DIR_PART());
  CHECK_WIDE(L"y", base.GET_FILE_PART());

  struct Case {
    const wchar_t *base, *other, *dir;
  };
  const Case cases[] = {
      {L"\\A\\B\\", L"..\\C", L"\\A\\C"},
      {L"\\A\\B", L"..\\C\\", L"\\A\\C\\"},
      {L"\\A\\B\\", L"..\\..\\..\\..\\C\\", L"\\C\\"},       // above the root stays at the root
      {L"\\A\\B\\", L".\\C\\.\\D\\.", L"\\A\\B\\C\\D\\"},
      {L"\\A\\B\\", L"", L"\\A\\B\\"},
      {L"\\A\\B\\", L"\\Rooted\\", L"\\Rooted\\"},
      {L"Rel\\", L"..\\..\\X\\", L""},                     // emptied: the rest is dropped
      {L"\\A\\", L"v1..2\\.hidden\\...\\", L"\\A\\v1..2\\.hidden\\...\\"},  // dots inside names
      {nullptr, L"x\\", L"x\\"},
  };
  for (const Case& c : cases) {
    MFileName name;
    name.SET_DIR_PART(c.base, 260);
    MFileName add;
    add.SET_DIR_PART(c.other, 260);
    name += add;
    CHECK_WIDE(c.dir, name.GET_DIR_PART());
  }
}

TEST(AppendTakesDriveTitleAndExtension) {
  MFileName name(L"C:\\Dir\\old.txt");
  name.APPEND(MFileName(L"D:new"));
  CHECK_EQUAL("<D:> <\\Dir\\> <new> <.txt>", Parts(name));
  name.APPEND(MFileName(L".dat"));
  CHECK_WIDE(L"D:\\Dir\\new.dat", name.GET());
  MFileName unchanged(name);
  name.APPEND(MFileName());
  CHECK(name.COMPARE(unchanged, 15 | MFileName::COMPARE_CASE_SENSITIVE));
  name.APPEND(name);  // joining a name onto itself is safe
  CHECK_WIDE(L"D:\\Dir\\new.dat", name.GET());
}

TEST(AppendRefusesTooLongDirectory) {
  MFileName name(L"", (L"\\" + std::wstring(200, L'a') + L"\\").c_str(), L"f", L"e");
  MFileName fits(L"", (std::wstring(53, L'b') + L"\\").c_str(), nullptr, nullptr);
  MFileName copy(name);
  copy.APPEND(fits);  // 202 + 54 = 256, and "f.e" after it: 259
  CHECK_EQUAL(256u, std::wcslen(copy.GET_DIR_PART()));
  MFileName whole_too_long(L"", (std::wstring(56, L'b') + L"\\").c_str(), nullptr, nullptr);
  copy = name;
  copy.APPEND(whole_too_long);  // a directory of 259 fits, the composed name (262) does not
  CHECK(copy.IS_EMPTY());
  MFileName too_long(L"", (std::wstring(57, L'b') + L"\\").c_str(), nullptr, nullptr);
  name.APPEND(too_long);
  CHECK(name.IS_EMPTY());
}

TEST(RelativePathTo) {
  MFileName from(L"C:\\A\\B\\x");
  MFileName to(L"C:\\A\\C\\y.txt");
  MFileName rel = from.RELATIVE_PATH_TO(to);
  CHECK_EQUAL("- <..\\C\\> <y> <.txt>", Parts(rel));
  CHECK_WIDE(L"\\..\\C\\y.txt", rel.GET());
  rel.SET_RELATIVE_PATH_MODE(true);
  CHECK_WIDE(L"..\\C\\y.txt", rel.GET());

  struct Case {
    const wchar_t *from, *to;
    const char* parts;
  };
  const Case cases[] = {
      {L"C:\\A\\B\\x", L"C:\\A\\B\\y", "- - <y> <.>"},
      {L"C:\\A\\B\\x", L"C:\\A\\BC\\y", "- <..\\BC\\> <y> <.>"},   // parts at a name boundary
      {L"C:\\A\\BC\\x", L"C:\\A\\B\\y", "- <..\\B\\> <y> <.>"},
      {L"C:\\A\\B\\C\\x", L"C:\\A\\y.z", "- <..\\..\\> <y> <.z>"},
      {L"C:\\A\\x", L"C:\\A\\B\\C\\", "- <B\\C\\> <> <.>"},
      {L"C:\\A\\B\\x", L"D:\\A\\y", "<D:> <\\A\\> <y> -"},          // other drive: a copy
      {L"C:\\A\\x", L"c:\\A\\y", "<c:> <\\A\\> <y> -"},             // drives compare exactly
      {L"\\A\\x", L"\\A\\y", "- <\\A\\> <y> -"},                     // no drive: a copy
  };
  for (const Case& c : cases) {
    CHECK_EQUAL(c.parts, Parts(MFileName(c.from).RELATIVE_PATH_TO(MFileName(c.to))));
  }
  MFileName dir_from(L"C:\\A\\B", true);
  CHECK_EQUAL("- <C\\> <y> <.>", Parts(dir_from.RELATIVE_PATH_TO(MFileName(L"C:\\A\\B\\C\\y"))));
}

TEST(CompositionStopsAt260Characters) {
  // Part setters refuse a name that would not fit; a parsed one keeps its parts whole and its
  // composition stops at 260 characters.
  std::wstring long_dir = L"\\" + std::wstring(300, L'd') + L"\\";
  MFileName name(L"C:", long_dir.c_str(), L"file", L"ext");
  CHECK(name.IS_EMPTY());
  MFileName parsed_dir((L"C:" + long_dir + L"file.ext").c_str());
  const wchar_t* composed = parsed_dir.GET();
  CHECK_EQUAL(260u, std::wcslen(composed));
  CHECK_EQUAL(L'd', composed[259]);
  CHECK_EQUAL(260u, std::wcslen(parsed_dir.GET_DRIVE_DIR_PARTS(true)));
  CHECK_EQUAL(260u, std::wcslen(parsed_dir.GET_DRIVE_DIR_PARTS(false)));
  CHECK_EQUAL(302u, std::wcslen(parsed_dir.GET_DIR_PART()));
  MFileName parsed(std::wstring(1000, L'x').c_str());
  CHECK_EQUAL(1000u, std::wcslen(parsed.GET_FILE_PART()));
  CHECK_EQUAL(260u, std::wcslen(parsed.GET_FILE_EXT_PARTS()));
}

TEST(ReserveAndRelease) {
  MFileName name(L"C:\\Old\\name.txt");
  wchar_t* buffer = name.RESERVE();
  std::wcscpy(buffer, L"D:\\New\\file.dat");
  name.RELEASE(false);
  CHECK_EQUAL("<D:> <\\New\\> <file> <.dat>", Parts(name));
  // A caller that fills every slot cannot make the parse run past the buffer.
  buffer = name.RESERVE();
  for (int i = 0; i <= 260; ++i) buffer[i] = L'z';
  name.RELEASE(true);
  CHECK_EQUAL(260u, std::wcslen(name.GET_DIR_PART()));
}

TEST(OwnTextsMayBePassedBack) {
  MFileName name(L"C:\\Dir\\File.Ext");
  const wchar_t* composed = name.GET();
  name = composed;  // its own composed text: nothing changes
  CHECK_WIDE(L"C:\\Dir\\File.Ext", name.GET());
  name.SET(name.GET(), true);
  CHECK_EQUAL("<C:> <\\Dir\\File.Ext> - -", Parts(name));
  name.SET(name.GET_DIR_PART(), false);
  CHECK_EQUAL("- <\\Dir\\> <File> <.Ext>", Parts(name));
  name.SET_FILE_PART(name.GET_FILE_PART(), 2);
  name.SET_EXT_PART(name.GET_EXT_PART(), 2);
  name.SET_FILE_EXT_PARTS(name.GET_FILE_EXT_PARTS(), 256, 256);
  CHECK_WIDE(L"\\Dir\\Fi.E", name.GET());
  name = name;
  CHECK_WIDE(L"\\Dir\\Fi.E", name.GET());
  name = static_cast<const wchar_t*>(nullptr);
  CHECK(name.IS_EMPTY());
}

TEST(CopyKeepsMissingEmptyAndMode) {
  MFileName source(L"", nullptr, L"t", nullptr);
  source.SET_RELATIVE_PATH_MODE(true);
  MFileName target(L"C:\\x\\y.z");
  target = source;
  CHECK_EQUAL("<> - <t> -", Parts(target));
  CHECK(Probe(target).RelativeMode());
  MFileName constructed(source);
  CHECK(Probe(constructed).RelativeMode());
}

TEST(DoTest) { CHECK(MFileName::DO_TEST()); }

}
