#include <zorbase/platform/path_mapping.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/win_errors.h>

using zb::platform::ResolvedPath;
using zb::platform::ResolveWindowsPath;

namespace {

std::string Native(const wchar_t* path, unsigned flags = zb::platform::kResolveDefault) {
  ResolvedPath resolved;
  if (ResolveWindowsPath(path, &resolved, flags) != ERROR_SUCCESS) return "<error>";
  return resolved.native;
}

// Restores the current directory when a test that changed it ends.
struct CwdGuard {
  CwdGuard() {
    char buffer[4096];
    saved = getcwd(buffer, sizeof(buffer)) ? buffer : "/";
  }
  ~CwdGuard() {
    if (chdir(saved.c_str()) != 0) std::perror("chdir");
  }
  std::string saved;
};

}  // namespace

SUITE(PathMapping) {

TEST(DrivesMapToNativeDirectories) {
  const std::string c = zb::platform::DriveRoot(L'C');
  CHECK_EQUAL(std::string(std::getenv("ZORBASE_DRIVE_C")), c);
  CHECK_EQUAL(c + "/Dir/File.txt", Native(L"C:\\Dir\\File.txt"));
  CHECK_EQUAL(c + "/Dir/File.txt", Native(L"c:/Dir/File.txt"));
  CHECK_EQUAL("/tmp/x", Native(L"Z:\\tmp\\x", zb::platform::kResolveNoLookup));
  CHECK_EQUAL("/", Native(L"Z:\\"));

  unsetenv("ZORBASE_DRIVE_Q");
  ResolvedPath resolved;
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, ResolveWindowsPath(L"Q:\\file", &resolved));
  CHECK(zb::platform::MapDrive(L'q', "/tmp/"));
  CHECK_EQUAL("/tmp/file", Native(L"Q:\\file"));
  CHECK(zb::platform::MapDrive(L'Q', ""));
  setenv("ZORBASE_DRIVE_Q", "/var", 1);
  CHECK_EQUAL("/var/file", Native(L"Q:\\file"));
  unsetenv("ZORBASE_DRIVE_Q");
  CHECK(!zb::platform::MapDrive(L'1', "/tmp"));
  CHECK(!zb::platform::MapDrive(L'Q', "relative"));
}

TEST(TextIsNormalisedAsWindowsDoes) {
  const std::string c = zb::platform::DriveRoot(L'C');
  ResolvedPath resolved;
  CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath(L"C:/a\\\\b/../c/./d.. ", &resolved));
  CHECK_EQUAL(c + "/a/c/d", resolved.native);
  CHECK(resolved.windows == L"C:\\a\\c\\d");
  CHECK_EQUAL(c, Native(L"C:\\..\\..\\"));
  CHECK_EQUAL(c + "/dir/", Native(L"C:\\dir\\"));
}

TEST(RefusedNamesGiveInvalidName) {
  const wchar_t* refused[] = {L"C:\\a<b", L"C:\\a>b", L"C:\\a:b", L"C:\\a\"b", L"C:\\a|b",
                              L"C:\\a?b", L"C:\\a*b", L"C:\\a\x01" L"b", L"C:\\CON",
                              L"C:\\dir\\con.txt", L"C:\\LPT1\\x", L"C:\\COM9.log", L"C:\\nul ",
                              L"C:\\Aux", L"1:\\x", L"\\\\.\\PhysicalDrive0"};
  for (const wchar_t* path : refused) {
    ResolvedPath resolved;
    CHECK_EQUAL(ERROR_INVALID_NAME, ResolveWindowsPath(path, &resolved));
  }
  const wchar_t* accepted[] = {L"C:\\CONSOLE", L"C:\\COM0", L"C:\\LPT", L"C:\\a.con",
                               L"C:\\name with spaces", L"C:\\x.y.z"};
  for (const wchar_t* path : accepted) {
    ResolvedPath resolved;
    CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath(path, &resolved));
  }
  ResolvedPath resolved;
  CHECK_EQUAL(ERROR_BAD_NETPATH, ResolveWindowsPath(L"\\\\server\\share\\x", &resolved));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, ResolveWindowsPath(L"", &resolved));
  CHECK_EQUAL(ERROR_PATH_NOT_FOUND, ResolveWindowsPath(nullptr, &resolved));
  CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath(L"C:\\dir\\*.txt", &resolved,
                                                zb::platform::kResolvePattern));
  CHECK_EQUAL(ERROR_INVALID_NAME, ResolveWindowsPath(L"C:\\d?r\\*.txt", &resolved,
                                                     zb::platform::kResolvePattern));
}

TEST(RelativeAndRootedPathsUseTheCurrentDirectory) {
  zb::test::ScratchDir dir("PathMappingRelative");
  CwdGuard guard;
  CHECK_EQUAL(0, chdir(dir.Native().c_str()));
  CHECK(zb::platform::CurrentWindowsDirectory() == dir.Win());
  CHECK_EQUAL(dir.Native("sub/f.txt"), Native(L"sub\\f.txt"));
  CHECK_EQUAL(dir.Native("f.txt"), Native(L"C:f.txt"));
  CHECK_EQUAL(zb::platform::DriveRoot(L'C') + "/top", Native(L"\\top"));
  CHECK_EQUAL(zb::platform::DriveRoot(L'C') + "/scratch", Native(L".."));
  CHECK_EQUAL("/etc", Native(L"Z:etc", zb::platform::kResolveNoLookup));
}

TEST(NativePathsComeBackInWindowsForm) {
  CHECK(zb::platform::NativeToWindowsPath("/tmp") == L"Z:\\tmp");
  CHECK(zb::platform::NativeToWindowsPath("/") == L"Z:\\");
  CHECK(zb::platform::NativeToWindowsPath("/usr//lib/../bin/") == L"Z:\\usr\\bin");
  const std::string c = zb::platform::DriveRoot(L'C');
  CHECK(zb::platform::NativeToWindowsPath(c) == L"C:\\");
  CHECK(zb::platform::NativeToWindowsPath(c + "/Dir/x.txt") == L"C:\\Dir\\x.txt");
  // A sibling whose name only starts like the root is not on that drive.
  CHECK(zb::platform::NativeToWindowsPath(c + "x").compare(0, 2, L"Z:") == 0);
}

TEST(ReportingTheModulePathCreatesNoDriveC) {
  // With the default drive C: (no ZORBASE_DRIVE_C) naming the executable must not create it: the
  // library does that while it loads, before a host or a test runner sets its environment.
  zb::test::ScratchDir dir("PathMappingNoDriveC");
  const std::string saved_c = std::getenv("ZORBASE_DRIVE_C");
  const char* saved_xdg = std::getenv("XDG_DATA_HOME");
  const std::string xdg = saved_xdg != nullptr ? saved_xdg : "";
  setenv("XDG_DATA_HOME", dir.Native().c_str(), 1);
  unsetenv("ZORBASE_DRIVE_C");
  wchar_t module[4096];
  const DWORD length = GetModuleFileNameW(nullptr, module, 4096);
  const bool created = access(dir.Native("zorbase").c_str(), F_OK) == 0;
  CHECK(zb::platform::NativeToWindowsPath(dir.Native("zorbase/drive_c/x")) == L"C:\\x");
  const bool created_by_reverse_mapping = access(dir.Native("zorbase").c_str(), F_OK) == 0;
  setenv("ZORBASE_DRIVE_C", saved_c.c_str(), 1);
  if (saved_xdg != nullptr) {
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
  CHECK(length > 0);
  CHECK(!created);
  CHECK(!created_by_reverse_mapping);
}

TEST(LookupIgnoresCaseAndPrefersTheExactName) {
  zb::test::ScratchDir dir("PathMappingCase");
  dir.Put("Data/Report.TXT", "x");
  ResolvedPath resolved;
  CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath((dir.Win() + L"\\DATA\\report.txt").c_str(), &resolved));
  CHECK_EQUAL(dir.Native("Data/Report.TXT"), resolved.native);
  CHECK(resolved.exists);
  CHECK(resolved.windows == dir.Win() + L"\\Data\\Report.TXT");

  // Several matches: the exact spelling when present, else the first in byte order.
  dir.Put("abc", "1");
  dir.Put("ABC", "2");
  CHECK_EQUAL(dir.Native("abc"), Native((dir.Win() + L"\\abc").c_str()));
  CHECK_EQUAL(dir.Native("ABC"), Native((dir.Win() + L"\\Abc").c_str()));

  // A new name keeps its spelling; a missing directory is reported as such.
  CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath((dir.Win() + L"\\data\\NewFile.Txt").c_str(), &resolved));
  CHECK_EQUAL(dir.Native("Data/NewFile.Txt"), resolved.native);
  CHECK(!resolved.exists);
  CHECK(!resolved.parent_missing);
  CHECK_EQUAL(ERROR_SUCCESS, ResolveWindowsPath((dir.Win() + L"\\nodir\\x\\y").c_str(), &resolved));
  CHECK(resolved.parent_missing);
  CHECK_EQUAL(dir.Native("nodir/x/y"), resolved.native);

  // Non-ASCII letters fold too.
  dir.Put("\xC3\x84rger.txt", "u");  // "Ärger.txt"
  CHECK_EQUAL(dir.Native("\xC3\x84rger.txt"), Native((dir.Win() + L"\\\x00E4RGER.TXT").c_str()));
}

TEST(NativeNamesSurviveTheRoundTrip) {
  const std::string odd = "\xFF\xFEname\xC3\x28.bin";
  const std::wstring wide = zb::platform::DecodeNativeName(odd);
  CHECK_EQUAL(0xDCFF, static_cast<int>(wide[0]));
  CHECK_EQUAL(0xDCFE, static_cast<int>(wide[1]));
  CHECK_EQUAL(odd, zb::platform::EncodeNativeName(wide));
  const std::string utf8 = "\xE2\x82\xAC\xF0\x9F\x98\x80";  // euro sign, an emoji
  const std::wstring decoded = zb::platform::DecodeNativeName(utf8);
  CHECK_EQUAL(2u, decoded.size());
  CHECK_EQUAL(utf8, zb::platform::EncodeNativeName(decoded));
  // A UTF-16 surrogate pair held in two units becomes the one character.
  CHECK_EQUAL(std::string("\xF0\x9F\x98\x80"), zb::platform::EncodeNativeName(L"\xD83D\xDE00"));
}

TEST(CaseFoldingIsLocaleIndependent) {
  CHECK(zb::platform::EqualNoCase(L"Report.TXT", L"rEPORT.txt"));
  CHECK(zb::platform::EqualNoCase(L"\x00C4rger", L"\x00E4RGER"));
  CHECK(zb::platform::EqualNoCase(L"\x0416", L"\x0436"));  // Cyrillic Zhe
  CHECK(!zb::platform::EqualNoCase(L"abc", L"abd"));
  CHECK(!zb::platform::EqualNoCase(L"abc", L"abcd"));
}

}
