#include <zorbase/files/MFileName.h>

#include <UnitTest++/UnitTest++.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <zorbase/platform/environment.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileEx.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/strings/internal/wide_check.h>

using zb::test::ScratchDir;

namespace {

// Sets an environment variable (an ASCII value) for one test and restores it afterwards, through
// the runtime's environment calls (which update the system's environment too).
struct ScopedEnv {
  ScopedEnv(const wchar_t* name_, const std::string& value) : name(name_) {
    const wchar_t* old = _wgetenv(name_);
    had = old != nullptr;
    if (had) saved = old;
    _wputenv((name + L"=" + std::wstring(value.begin(), value.end())).c_str());
  }
  ~ScopedEnv() { _wputenv((name + L"=" + (had ? saved : std::wstring())).c_str()); }
  std::wstring name, saved;
  bool had = false;
};

// The file name of the test program.
#ifdef _WIN32
const wchar_t kRunnerName[] = L"zorbase_tests.exe";
#else
const wchar_t kRunnerName[] = L"zorbase_tests";
#endif

}  // namespace

SUITE(MFileNameOperations) {

TEST(TemporaryNamesOnRealDirectories) {
  ScratchDir dir("MFNTemp");
  MFileName name;
  CHECK_EQUAL(2, name.SET_TEMP_NAME(dir.Win().c_str(), nullptr, L"TempExt", 1, 0));
  CHECK_WIDE((dir.Win() + L"\\~zor1.TempExt").c_str(), name.GET());
  dir.Put("~zor1.TempExt", "");
  dir.Put("~ZOR2.tempext", "");  // taken under another spelling: taken
  CHECK_EQUAL(4, name.SET_TEMP_NAME(dir.Win().c_str(), nullptr, L"TempExt", 1, 0));
  CHECK_WIDE((dir.Win() + L"\\~zor3.TempExt").c_str(), name.GET());
  CHECK_EQUAL(2, name.SET_TEMP_NAME(L"C:", nullptr, L"TempExt", 1, 0));
  CHECK_WIDE(L"C:\\~zor1.TempExt", name.GET());
  // A prefix with a fixed width; the default extension.
  CHECK_EQUAL(8, name.SET_TEMP_NAME(dir.Win().c_str(), L"pre", nullptr, 7, 4));
  CHECK_WIDE((dir.Win() + L"\\pre0007.tmp").c_str(), name.GET());
  CHECK_EQUAL(13, name.SET_TEMP_NAME(dir.Win().c_str(), L"pre", L".x", 12, 0));
  CHECK_WIDE((dir.Win() + L"\\pre12.x").c_str(), name.GET());
  // No room for the prefix: it is dropped.
  const std::wstring long_ext(250, L'e');
  name.SET_TEMP_NAME(dir.Win().c_str(), L"prefix", long_ext.c_str(), 5, 3);
  CHECK_WIDE(L"005", name.GET_FILE_PART());
  // The process-wide counter.
  MFileName a, b;
  const unsigned short first = a.SET_TEMP_NAME(dir.Win().c_str(), L"p", nullptr, 65535, 0);
  const unsigned short second = b.SET_TEMP_NAME(dir.Win().c_str(), L"p", nullptr, 65535, 0);
  CHECK_EQUAL(first + 1, second);
  CHECK(a != b);
  // Without a directory: the system's temporary directory.
  ScopedEnv tmp(L"TMP", dir.Native());
  name.SET_TEMP_NAME(nullptr, nullptr, nullptr, 1, 0);
  CHECK_WIDE((dir.Win() + L"\\~zor1.tmp").c_str(), name.GET());
}

TEST(UniqueIndexOnRealDirectories) {
  ScratchDir dir("MFNUnique");
  dir.Put("Name001.txt", "");
  MFileName name((dir.Win() + L"\\Name.txt").c_str());
  CHECK(name.ADD_UNIQUE_INDEX(3));
  CHECK_WIDE((dir.Win() + L"\\Name002.txt").c_str(), name.GET());
  MFileName plain((dir.Win() + L"\\N.dat").c_str());
  for (int i = 1; i <= 999; ++i) dir.Put("N" + std::to_string(i) + ".dat", "");
  CHECK(!plain.ADD_UNIQUE_INDEX(0));
  CHECK_WIDE((dir.Win() + L"\\N.dat").c_str(), plain.GET());
  MFileName bare((dir.Win() + L"\\").c_str());  // no title: the index alone
  CHECK(bare.ADD_UNIQUE_INDEX(2));
  CHECK_WIDE((dir.Win() + L"\\01").c_str(), bare.GET());
}

TEST(TitleRules) {
  struct Case {
    const wchar_t* title;
    int rule;
    bool safe;
    const wchar_t* made;  // after MAKE_SAFE(rule); null: not applicable (negative rule)
  };
  const Case cases[] = {
      {L"abcdefgh", 0, true, L"abcdefgh"},     {L"abcdefghij", 0, false, L"abcdefg"},
      {L"ab.c!", 1, true, L"ab"},              {L"a_b", 0, false, L"a_b"},
      {L"a b-c", 1, false, L"a_b_c"},          {L"x~y{}", 2, true, L"x~y{}"},
      {L"a.b", 2, false, L"a_b"},              {L"\x00E9t\x00E9", 2, false, L"_t_"},
      {L"12345678", 3, true, L"12345678"},     {L"123456789", 3, false, L"1234567"},
      {L"a$b", 4, false, L"a_b"},              {L"a b.c", 4, true, L"a b.c"},
      {L"any*thing", 5, true, L"any*thing"},   {L"any*thing", -1, true, nullptr},
  };
  for (const Case& c : cases) {
    MFileName name(L"C:\\dir\\", nullptr, nullptr, nullptr);
    name.SET_FILE_PART(c.title, 300);
    CHECK_EQUAL(c.safe, name.IsSafe(static_cast<MFileName::FILE_GENERATION_FLAGS>(c.rule)));
    if (c.made != nullptr) {
      name.MAKE_SAFE(static_cast<unsigned short>(c.rule));
      CHECK_WIDE(c.made, name.GET_FILE_PART());
    }
  }
  // A title this long cannot be set part by part (the composed name would not fit); parsed, it is
  // kept whole.
  MFileName long_name(std::wstring(300, L'a').c_str());
  CHECK(!long_name.IsSafe(MFileName::FILE_GENERATION_WINDOWS));
  long_name.MAKE_SAFE(4);
  CHECK_EQUAL(255u, std::wstring(long_name.GET_FILE_PART()).size());
  MFileName no_title(L"C:\\dir\\", true);
  CHECK(!no_title.IsSafe(MFileName::FILE_GENERATION_ANY));
  no_title.MAKE_SAFE(0);
  CHECK(no_title.GET_FILE_PART()[0] == 0);
}

TEST(PresentButEmptyTitleAndExtensionCountAsPresent) {
  MFileName name(L"C:\\d\\x.txt", false);
  name.SET_FILE_PART(L"", 256);
  name.SET_EXT_PART(L"", 256);
  CHECK(name.GET_FILE_PART() != nullptr && name.GET_EXT_PART() != nullptr);
  // An empty title is judged by the rule: it is short and holds nothing refused.
  CHECK(name.IsSafe(static_cast<MFileName::FILE_GENERATION_FLAGS>(0)));
  CHECK(name.IsSafe(static_cast<MFileName::FILE_GENERATION_FLAGS>(4)));
  // Matched position by position over the shorter text: an empty part agrees with any pattern.
  CHECK(name.FILTER_FILE(L"abc"));
  CHECK(name.FILTER_EXT(L".txt"));
  CHECK(name.FILTER(L"abc", L".txt"));
  // A missing part is still told apart.
  MFileName missing(L"C:\\d\\", true);
  CHECK(!missing.IsSafe(static_cast<MFileName::FILE_GENERATION_FLAGS>(0)));
  CHECK(!missing.FILTER_FILE(L"abc"));
  CHECK(!missing.FILTER_EXT(L".txt"));
}

TEST(CreateDirectoryOfANameWithoutDirectoryIsTrue) {
  CHECK(MFileName(L"plain.txt", false).CREATE_DIRECTORY());
  CHECK(MFileName(L"", false).CREATE_DIRECTORY());
}

TEST(NamesTooLongToComposeAreRefusedNotCut) {
  // A title that makes the composed path longer than 260 characters: cut at 260 it would name
  // the victim file, which REMOVE would delete and MFile::OPEN_WRITE would empty.
  ScratchDir dir("MFileNameTooLong");
  std::wstring base = dir.Win(L"");
  if (base.back() != L'\\') base += L'\\';
  const size_t victim_length = MFileName::PATH_CAPACITY - base.size();
  CHECK(victim_length > 3 && victim_length + 3 <= 255);
  const std::wstring victim_title(victim_length, L'v');
  dir.Put(std::string(victim_length, 'v'), "keep me");
  const std::wstring long_title = victim_title + L"xyz";
  CHECK(base + victim_title == std::wstring(MFileName((base + victim_title).c_str(), false).GET()));

  MFileName name(base.c_str(), true);
  SetLastError(0);
  name.SET_FILE_PART(long_title.c_str(), 256);
  CHECK(name.IS_EMPTY());
  CHECK_EQUAL(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  CHECK(!name.REMOVE());
  MFile file;
  CHECK(!file.OPEN_WRITE(name));
  // The same through the extension, the four-part constructor and SET_FILE_EXT_PARTS.
  MFileName by_ext(base.c_str(), true);
  by_ext.SET_FILE_PART(victim_title.c_str(), 256);
  CHECK(!by_ext.IS_EMPTY());
  by_ext.SET_EXT_PART(L"txt", 256);
  CHECK(by_ext.IS_EMPTY());
  CHECK(MFileName(nullptr, base.c_str(), long_title.c_str(), nullptr).IS_EMPTY());
  MFileName both(base.c_str(), true);
  both.SET_FILE_EXT_PARTS((victim_title + L".t").c_str(), 256, 256);
  CHECK(both.IS_EMPTY());
  CHECK_EQUAL(std::string("keep me"), dir.Get(std::string(victim_length, 'v')));

  // A parsed name keeps long parts whole; acting on it is refused instead of acting on the cut
  // path.
  MFileName parsed((base + long_title).c_str(), false);
  CHECK(!parsed.IS_EMPTY());
  CHECK(!parsed._FITS_PATH());
  CHECK(!parsed.DOES_EXIST());
  CHECK(!parsed.REMOVE());
  CHECK_EQUAL(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  CHECK(!file.OPEN_WRITE(parsed));
  CHECK(file.GET_RESULT() != 0);
  MFileEx ex;
  CHECK(!ex.OPEN_WRITE(parsed));
  CHECK(ex.GET_RESULT() != 0);
  CHECK_EQUAL(-1, parsed.FILE_SIZE());
  CHECK_EQUAL(std::string("keep me"), dir.Get(std::string(victim_length, 'v')));
}

TEST(Filters) {
  struct Case {
    const wchar_t* path;
    const wchar_t* file_pattern;
    const wchar_t* ext_pattern;
    bool file_ok;
    bool ext_ok;
  };
  const Case cases[] = {
      {L"C:\\d\\Report.txt", L"*", L".*", true, true},
      {L"C:\\d\\Report.txt", L"REP*", L".TXT", true, true},
      {L"C:\\d\\Report.txt", L"R?port", L".t?t", true, true},
      {L"C:\\d\\Report.txt", L"Rx", L".doc", false, false},
      {L"C:\\d\\Report.txt", L"Re", L".t", true, true},        // prefixes match
      {L"C:\\d\\Re.txt", L"Report", L".txtx", true, true},     // a shorter part matches too
      {L"C:\\d\\Report.txt", nullptr, nullptr, true, true},
      {L"C:\\d\\", L"*", L".*", true, true},                   // no title, no extension
      {L"C:\\d\\", L"a", L".a", false, false},
      {L"C:\\d\\", nullptr, nullptr, true, true},
      {L"C:\\d\\noext", L"no*", L".*", true, true},
      {L"C:\\d\\noext", L"no*", L"*", true, false},
  };
  for (const Case& c : cases) {
    MFileName name(c.path);
    CHECK_EQUAL(c.file_ok, name.FILTER_FILE(c.file_pattern));
    CHECK_EQUAL(c.ext_ok, name.FILTER_EXT(c.ext_pattern));
    CHECK_EQUAL(c.file_ok && c.ext_ok, name.FILTER(c.file_pattern, c.ext_pattern));
  }
}

TEST(DirectoryExistsCreateRemove) {
  MFileName dir(L"C:\\MFileNameUnitTests\\");
  CHECK(!dir.DOES_EXIST());
  CHECK(dir.CREATE_DIRECTORY());
  CHECK(dir.DOES_EXIST());
  CHECK(dir.REMOVE());
  CHECK(!dir.DOES_EXIST());
  MFileName chain(L"C:\\MFileNameUnitTests\\a\\b\\file.txt");
  CHECK(chain.CREATE_DIRECTORY());
  CHECK(!chain.DOES_EXIST());  // the title is not created
  CHECK(MFileName(L"C:\\MFileNameUnitTests\\a\\b\\", true).DOES_EXIST());
  CHECK(!MFileName(L"C:\\MFileNameUnitTests\\").REMOVE());  // not empty
  CHECK(MFileName(L"C:\\MFileNameUnitTests\\a\\b\\").REMOVE());
  CHECK(MFileName(L"C:\\MFileNameUnitTests\\a\\").REMOVE());
  CHECK(MFileName(L"C:\\MFileNameUnitTests\\").REMOVE());
  CHECK(!MFileName(L"C:\\bad|name\\").CREATE_DIRECTORY());
}

TEST(WritableUpdatableRemove) {
  ScratchDir dir("MFNWritable");
  dir.Put("f.txt", "x");
  dir.Put("ro.txt", "r");
  CHECK(SetFileAttributesW(dir.Win(L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  MFileName file((dir.Win() + L"\\f.txt").c_str());
  MFileName read_only((dir.Win() + L"\\RO.TXT").c_str());
  MFileName missing((dir.Win() + L"\\missing.txt").c_str());
  CHECK(file.IS_WRITABLE());
  CHECK(!read_only.IS_WRITABLE());
  CHECK(missing.IS_WRITABLE());
  CHECK(file.IS_UPDATABLE());
  CHECK(!read_only.IS_UPDATABLE());
  CHECK(missing.IS_UPDATABLE());
  CHECK(!dir.Exists("missing.txt"));  // the test leaves nothing behind
  CHECK_EQUAL("x", dir.Get("f.txt"));
  CHECK(!read_only.REMOVE());
  CHECK(file.REMOVE());
  CHECK(!file.REMOVE());
  CHECK(!dir.Exists("f.txt"));
}

TEST(ShellRemoveAndRename) {
  ScratchDir dir("MFNShell");
  ScopedEnv xdg(L"XDG_DATA_HOME", dir.Native("xdg"));
  dir.Put("doc.txt", "d");
  dir.Put("sub/inner.txt", "i");
  MFileName doc((dir.Win() + L"\\doc.txt").c_str());
  MFileName renamed((dir.Win() + L"\\renamed.txt").c_str());
  CHECK(doc.RENAME_SHELL(renamed, false));
  CHECK_WIDE((dir.Win() + L"\\doc.txt").c_str(), doc.GET());
  CHECK(!dir.Exists("doc.txt"));
  CHECK_EQUAL("d", dir.Get("renamed.txt"));
  CHECK(!doc.RENAME_SHELL(renamed, false));  // the source is gone
  CHECK(renamed.REMOVE_SHELL(false));
  CHECK(!dir.Exists("renamed.txt"));
#ifndef _WIN32  // the recycle bin is the XDG trash folder only on Linux
  CHECK_EQUAL("d", dir.Get("xdg/Trash/files/renamed.txt"));
#endif
  MFileName sub((dir.Win() + L"\\sub\\").c_str());  // no title: the directory goes
  CHECK(sub.REMOVE_SHELL(true));
  CHECK(!dir.Exists("sub"));
#ifndef _WIN32
  CHECK_EQUAL("i", dir.Get("xdg/Trash/files/sub/inner.txt"));
#endif
}

TEST(CopyFileAndSize) {
  ScratchDir dir("MFNCopy");
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13);
  dir.Put("src.bin", data);
  MFileName source((dir.Win() + L"\\src.bin").c_str());
  MFileName target((dir.Win() + L"\\dst.bin").c_str());
  CHECK(target.COPY_FILE(source));
  CHECK(dir.Get("dst.bin") == data);
  CHECK_EQUAL(200000, target.FILE_SIZE());
  // An equal name (another case) is a copy onto itself: nothing happens.
  MFileName same((dir.Win() + L"\\SRC.BIN").c_str());
  CHECK(same.COPY_FILE(source));
  CHECK(dir.Get("src.bin") == data);
  CHECK(!target.COPY_FILE(MFileName((dir.Win() + L"\\none.bin").c_str())));
  CHECK(dir.Exists("dst.bin"));
  {
    zb::platform::ScopedFault full(zb::platform::FaultPoint::kWrite, 1, ENOSPC,
                                   zb::platform::kFaultForever);
    MFileName failed((dir.Win() + L"\\failed.bin").c_str());
    CHECK(!failed.COPY_FILE(source));
  }
  CHECK(!dir.Exists("failed.bin"));  // an incomplete copy does not stay
  CHECK_EQUAL(-1, MFileName((dir.Win() + L"\\none.bin").c_str()).FILE_SIZE());
  CHECK_EQUAL(-1, MFileName((dir.Win() + L"\\").c_str()).FILE_SIZE());
  dir.Put("empty.bin", "");
  CHECK_EQUAL(0, MFileName((dir.Win() + L"\\empty.bin").c_str()).FILE_SIZE());
}

TEST(FillWithSystemPaths) {
  ScratchDir dir("MFNFill");
  {
    ScopedEnv tmp(L"TMP", dir.Native());
    MFileName name(L"X:\\keep.me");
    CHECK(name.FILL_WITH_TEMPORARY_PATH());
    CHECK_WIDE((dir.Win() + L"\\").c_str(), name.GET());
    CHECK(name.GET_FILE_PART()[0] == 0);
  }
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.Native());
  MFileName working;
  CHECK(working.FILL_WITH_WORKING_PATH());
  CHECK_WIDE(dir.Win().c_str(), working.GET());
  CHECK(working.COMPARE(MFileName(dir.Win().c_str(), true)));
  std::filesystem::current_path(saved);
  MFileName module;
  CHECK(module.FILL_WITH_MODULE_PATH());
  CHECK_WIDE(kRunnerName, module.GET_FILE_PART());
  MFileName same(L"C:\\other.txt");
  same.ModuleFileName(nullptr);
  CHECK(same == module);
}

}
