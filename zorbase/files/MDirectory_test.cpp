#include <zorbase/files/MDirectory.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/strings/internal/wide_check.h>

SUITE(MDirectory) {

TEST(AbsolutePathsNeedADriveAndSeparatorOrTwoSeparators) {
  const struct {
    const wchar_t* path;
    bool absolute;
  } cases[] = {
      {L"C:\\Dir", true}, {L"C:/Dir", true}, {L"\\\\server\\share", true},
      {L"//server/share", true}, {L"C:", false}, {L"C:Dir", false}, {L"\\Dir", false},
      {L"/Dir", false}, {L"", false}, {L"D", false},
  };
  for (const auto& c : cases) CHECK_EQUAL(c.absolute, IsAbsolutePath(c.path));
  CHECK(!IsAbsolutePath(nullptr));
}

TEST(AssurePathEndsInOneBackslash) {
  const struct {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* assured;
    const wchar_t* appended;
  } cases[] = {
      {L"C:/Dir", L"\\File.txt", L"C:\\Dir\\", L"C:\\Dir\\File.txt"},
      {L"C:\\Dir\\", L"/File.txt", L"C:\\Dir\\", L"C:\\Dir\\File.txt"},
      {L"", L"\\File.txt", L"", L"File.txt"},
      {L"a/b", L"x/y", L"a\\b\\", L"a\\b\\x/y"},
      {L"C:\\Dir", nullptr, L"C:\\Dir\\", L"C:\\Dir\\"},
  };
  for (const auto& c : cases) {
    CString path(c.path);
    AssurePath(path);
    CHECK_WIDE(c.assured, path.GetString());
    CString joined(c.path);
    AssurePathAppend(joined, c.name);
    CHECK_WIDE(c.appended, joined.GetString());
  }
}

TEST(FixFileNameRemovesLeadingAndReplacesOtherForbiddenCharacters) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
    bool changed;
  } cases[] = {
      {L"a:b", L"a_b", true},    {L"\\ab", L"ab", true},     {L"ab", L"ab", false},
      {L"", L"", false},         {L"**a", L"a", true},       {L"a<b>c|d\"e", L"a_b_c_d_e", true},
      {L"/a/b", L"a_b", true},   {L"?", L"", true},
  };
  for (const auto& c : cases) {
    std::wstring name = c.in;
    CHECK_EQUAL(c.changed, MFileUtility::FixFileName(name));
    CHECK_WIDE(c.out, name.c_str());
  }
}

TEST(MkdirchainCreatesEveryMissingDirectory) {
  zb::test::ScratchDir dir("mkdirchain");
  CHECK(mkdirchain((dir.Win() + L"\\A\\B\\").c_str()));
  CHECK(dir.Exists("A/B"));
  CHECK(mkdirchain((dir.Win() + L"/A/./C//D").c_str()));
  CHECK(dir.Exists("A/C/D"));
  CHECK(mkdirchain(dir.Win().c_str()));  // everything exists already
  CHECK(!mkdirchain(L"\\A"));
  CHECK(!mkdirchain(L"\\\\server\\share\\x"));
  // A file in the way: the directory cannot be created, and the system's code is left.
  dir.Put("file", "x");
  CHECK(!mkdirchain((dir.Win() + L"\\file\\sub").c_str()));
  CHECK(GetLastError() != ERROR_SUCCESS);
  CHECK(!mkdirchain(nullptr));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  const std::wstring longer = dir.Win() + L"\\" + std::wstring(300, L'n');
  CHECK(!mkdirchain(longer.c_str()));
  CHECK_EQUAL(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

TEST(EmptinessAndAccess) {
  zb::test::ScratchDir dir("directory_empty");
  CHECK(MDirectory::IsDirectoryEmpty(CString(dir.Win(L"missing").c_str())));
  CHECK(MDirectory::IsDirectoryEmpty(CString(dir.Win().c_str())));
  dir.Put("one.txt", "1");
  CHECK(!MDirectory::IsDirectoryEmpty(CString(dir.Win().c_str())));
  CHECK(MDirectory::DirectoryHasAccess(CString(dir.Win().c_str()), GENERIC_READ));
  CHECK(MDirectory::DirectoryHasAccess(CString(dir.Win(L"missing").c_str()), GENERIC_READ));
#ifndef _WIN32  // permission bits deny access only on Linux
  if (geteuid() != 0) {
    chmod(dir.Native("one.txt").c_str(), 0);
    CHECK(!MDirectory::DirectoryHasAccess(CString(dir.Win(L"one.txt").c_str()), GENERIC_READ));
  }
#endif
}

TEST(CopyDirectoryContentsCopiesTheTopLevel) {
  zb::test::ScratchDir dir("directory_copy");
  dir.Put("from/a.txt", "a");
  dir.Put("from/b.dat", "bb");
  CHECK(MDirectory::CopyDirectoryContents(CString(dir.Win(L"from").c_str()),
                                          CString(dir.Win(L"to\\deeper").c_str()), false));
  CHECK_EQUAL(std::string("a"), dir.Get("to/deeper/a.txt"));
  CHECK_EQUAL(std::string("bb"), dir.Get("to/deeper/b.dat"));
  const std::wstring too_long = dir.Win() + L"\\" + std::wstring(280, L'x');
  CHECK(!MDirectory::CopyDirectoryContents(CString(too_long.c_str()), CString(dir.Win().c_str()),
                                           false));
}

TEST(ProgramAndSystemFolders) {
  const std::wstring application = MDirectory::GetApplication();
  CHECK(!application.empty() && application.back() == L'\\');
  MFileName executable;
  executable.SET(L"C:\\keep\\me.txt", false);
  MDirectory::GET_EXECUTABLE_DIRECTORY(executable);
  CHECK_WIDE(application.c_str(), executable.GET());
  CHECK_WIDE(L"C:", MDirectory::GetSystemDrive().c_str());
  const std::wstring temporary = MDirectory::GetTemporary();
  CHECK(!temporary.empty() && temporary.back() == L'\\');
  const std::wstring current = MDirectory::GetCurrent();
  CHECK(current.size() <= 3 || current.back() != L'\\');
  const std::wstring program_files = MDirectory::GetStandard(0x26, true);
  CHECK_WIDE(L"C:\\Program Files", program_files.c_str());
  CHECK_WIDE(L"C:\\Program Files", MDirectory::GetProgramFiles(false).c_str());
  wchar_t buffer[MAX_PATH];
  CHECK(MDirectory::GET_SPECIAL_FOLDER_PATH(buffer, nullptr, 0x26));
  CHECK(!MDirectory::GET_SPECIAL_FOLDER_PATH(buffer, nullptr, 0x7F));
  const std::wstring file = MDirectory::GetTemporaryFileName(L"zbt");
  CHECK(file.find(L"zbt") != std::wstring::npos);
  CHECK_EQUAL(0, _waccess(file.c_str(), 0));
  _wremove(file.c_str());
}

TEST(WorkingDirectoryComesFromMaterialIni) {
  MFileName out(L"C:\\something\\", true);
  MFileName ini;
  MDirectory::GET_EXECUTABLE_DIRECTORY(ini);
  ini.SET_FILE_EXT_PARTS(L"material.ini", 256, 256);
  _wremove(ini.GET());
  MDirectory::GET_WORKING_DIRECTORY(out);
  CHECK(out.IS_EMPTY());  // no material.ini beside the executable
  FILE* file = _wfopen(ini.GET(), L"w");
  CHECK(file != nullptr);
  if (file == nullptr) return;
  std::fputs("[Quvara]\nOther=1\n", file);
  std::fclose(file);
  MDirectory::GET_WORKING_DIRECTORY(out);
  CHECK(out.IS_EMPTY());  // no key
  file = _wfopen(ini.GET(), L"w");
  std::fputs("[Quvara]\nWorkingDirectory=D:\\Work\\Here\n", file);
  std::fclose(file);
  MDirectory::GET_PROJECT_DIRECTORY(out);
  CHECK_WIDE(L"D:\\Work\\Here", out.GET());
  CHECK_WIDE(L"", out.GET_FILE_PART());
  _wremove(ini.GET());
}

}  // SUITE(MDirectory)
