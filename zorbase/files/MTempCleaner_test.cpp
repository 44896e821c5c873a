#include <zorbase/files/MTempCleaner.h>

#include <UnitTest++/UnitTest++.h>

#include <csignal>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <zorbase/platform/environment.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

// Points TMP and TEMP at a scratch folder for one test and puts the environment back afterwards.
// Through the runtime's environment calls, which the library reads and which update the
// system's environment too.
class TempRoot {
 public:
  explicit TempRoot(const char* name) : dir_(name) {
    for (int i = 0; i < 3; ++i) {
      const wchar_t* value = _wgetenv(kNames[i]);
      had_[i] = value != nullptr;
      if (had_[i]) saved_[i] = value;
    }
    Put(L"TMP", dir_.Win());
    Put(L"TEMP", dir_.Win());
  }
  // TMPDIR last: setting TMP or TEMP also sets it on Linux.
  ~TempRoot() {
    for (int i = 0; i < 3; ++i) Put(kNames[i], had_[i] ? saved_[i] : std::wstring());
  }
  const zb::test::ScratchDir& dir() const { return dir_; }

  // Sets `name` to `value`; an empty value removes it.
  static void Put(const std::wstring& name, const std::wstring& value) {
    _wputenv((name + L"=" + value).c_str());
  }

 private:
  static constexpr const wchar_t* kNames[3] = {L"TMP", L"TEMP", L"TMPDIR"};
  zb::test::ScratchDir dir_;
  std::wstring saved_[3];
  bool had_[3] = {false, false, false};
};

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr ? value : L"(unset)";
}

bool Exists(const CString& path) { return GetFileAttributesW(path.GetString()) != INVALID_FILE_ATTRIBUTES; }

class TestCleaner : public MTempCleaner {
 public:
  using MTempCleaner::MTempCleaner;
  using MTempCleaner::_DeletePath;
};

}  // namespace

SUITE(MTempCleaner) {

TEST(TheEnvironmentPointsIntoThePrivateFolderWhileActive) {
  TempRoot root("temp_cleaner_env");
  const std::wstring old = root.dir().Win();
  MTempCleaner cleaner(L"MyApp", nullptr);
  CHECK_EQUAL(0, cleaner.EnumerateRootTempFolders());  // not active
  cleaner.Init();
  const CString current = cleaner.GetCurPath();
  CHECK_WIDE((old + L"\\").c_str(), cleaner.GetOldPath().GetString());
  CHECK(current.Find(L"\\MyApp_") > 0);
  CHECK_EQUAL(old.size() + 1 + 5 + 9, static_cast<std::size_t>(current.GetLength()));
  CHECK_WIDE(current.GetString(), Env(L"TMP").c_str());
  CHECK_WIDE(current.GetString(), Env(L"TEMP").c_str());
  zb::platform::ResolvedPath native;
  zb::platform::ResolveWindowsPath(current.GetString(), &native);
#ifndef _WIN32  // native code on Linux finds the temporary directory through TMPDIR
  CHECK_EQUAL(native.native, std::string(std::getenv("TMPDIR")));
#endif
  CHECK(Exists(current + L"\\__fold__.lock"));
  CHECK_EQUAL(1, cleaner.EnumerateRootTempFolders());
  {
    MTempCleaner::MPauser pause(&cleaner);
    CHECK_WIDE((old + L"\\").c_str(), Env(L"TMP").c_str());
    CHECK_WIDE(old.c_str(), Env(L"TEMP").c_str());
  }
  CHECK_WIDE(current.GetString(), Env(L"TMP").c_str());
  // Files the program leaves in its folder go with it.
  root.dir().Put(zb::platform::EncodeNativeName(current.Mid(old.size() + 1).GetString()) +
                     "/sub/leftover.tmp",
                 "x");
  cleaner.Finish();
  CHECK_WIDE((old + L"\\").c_str(), Env(L"TMP").c_str());
  CHECK_WIDE(old.c_str(), Env(L"TEMP").c_str());
  CHECK(!Exists(current));
  cleaner.Finish();  // inactive: nothing happens
}

TEST(LeftoversOfAKilledRunGoOthersStay) {
  TempRoot root("temp_cleaner_leftovers");
  root.dir().Put("MyApp_01_02_03/__fold__.lock", "");
  root.dir().Put("MyApp_01_02_03/data.bin", "abandoned");
  root.dir().Put("MyApp_01_02_03/deep/more.bin", "abandoned");
  // Not ours: wrong form, no lock file, or plain files; they must survive.
  root.dir().Put("MyAppSettings/__fold__.lock", "");
  root.dir().Put("MyAppSettings/keep.txt", "keep");
  root.dir().Put("MyApp_04_05_06/keep.txt", "never locked");
  root.dir().Put("MyApp.log", "keep");
  MTempCleaner cleaner(L"MyApp", nullptr);
  cleaner.Init();
  CHECK(!root.dir().Exists("MyApp_01_02_03"));
  CHECK(root.dir().Exists("MyAppSettings/keep.txt"));
  CHECK(root.dir().Exists("MyApp_04_05_06/keep.txt"));
  CHECK(root.dir().Exists("MyApp.log"));
  CHECK_EQUAL(3, cleaner.EnumerateRootTempFolders());
  cleaner.Finish();
}

#ifndef _WIN32  // forked processes sharing the Linux OFD lock emulation
TEST(TwoProcessesGetTwoFoldersAndKeepThem) {
  TempRoot root("temp_cleaner_two");
  int to_parent[2], to_child[2];
  CHECK(pipe(to_parent) == 0 && pipe(to_child) == 0);
  const pid_t child = fork();
  if (child == 0) {
    MTempCleaner cleaner(L"Shared", nullptr);
    cleaner.Init();
    const std::string path = zb::platform::EncodeNativeName(cleaner.GetCurPath().GetString());
    if (write(to_parent[1], path.c_str(), path.size() + 1) < 0) _exit(3);
    char go = 0;
    if (read(to_child[0], &go, 1) != 1) _exit(4);
    cleaner.Finish();
    _exit(0);
  }
  char buffer[1024] = {};
  CHECK(read(to_parent[0], buffer, sizeof(buffer) - 1) > 0);
  const std::wstring child_path = zb::platform::DecodeNativeName(buffer);
  {
    MTempCleaner cleaner(L"Shared", nullptr);
    cleaner.Init();  // in the same second the child's name is locked: this one waits for the next
    CHECK(std::wstring(cleaner.GetCurPath().GetString()) != child_path);
    CHECK(Exists(CString(child_path.c_str())));
    CHECK_EQUAL(2, cleaner.EnumerateRootTempFolders());
    cleaner.Finish();
    CHECK(Exists(CString(child_path.c_str())));  // the child's folder survives our Finish
  }
  CHECK(write(to_child[1], "g", 1) == 1);
  int status = 0;
  waitpid(child, &status, 0);
  CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  CHECK(!Exists(CString(child_path.c_str())));
}

TEST(AKilledProcessesFolderIsRemovedByTheNextInit) {
  TempRoot root("temp_cleaner_killed");
  int to_parent[2];
  CHECK(pipe(to_parent) == 0);
  const pid_t child = fork();
  if (child == 0) {
    MTempCleaner cleaner(L"Crashy", nullptr);
    cleaner.Init();
    const std::string path = zb::platform::EncodeNativeName(cleaner.GetCurPath().GetString());
    if (write(to_parent[1], path.c_str(), path.size() + 1) < 0) _exit(3);
    for (;;) pause();
  }
  char buffer[1024] = {};
  CHECK(read(to_parent[0], buffer, sizeof(buffer) - 1) > 0);
  const CString child_path(zb::platform::DecodeNativeName(buffer).c_str());
  if (child > 0) kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  const CString left = child_path + L"\\left.bin";
  HANDLE file = CreateFileW(left.GetString(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CHECK(file != INVALID_HANDLE_VALUE);
  CloseHandle(file);
  MTempCleaner cleaner(L"Crashy", nullptr);
  cleaner.Init();
  // Gone, or (when this Init ran in the same second) taken over and emptied of what it held.
  CHECK(!Exists(left));
  CHECK(!Exists(child_path) || cleaner.GetCurPath() == child_path);
  cleaner.Finish();
  CHECK(!Exists(child_path));
}
#endif

TEST(AReadOnlyFileWithoutArchiveKeepsItsFolder) {
  TempRoot root("temp_cleaner_readonly");
  MTempCleaner cleaner(L"Keep", nullptr);
  cleaner.Init();
  const CString current = cleaner.GetCurPath();
  const CString file = current + L"\\pinned.txt";
  HANDLE handle = CreateFileW(file.GetString(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CHECK(handle != INVALID_HANDLE_VALUE);
  CloseHandle(handle);
  CHECK(SetFileAttributesW(file.GetString(), FILE_ATTRIBUTE_READONLY));
  cleaner.Finish();
  CHECK(Exists(file));
  SetFileAttributesW(file.GetString(), FILE_ATTRIBUTE_NORMAL);
}

#ifndef _WIN32  // symbolic links need a privilege on Windows
TEST(LinksInThePrivateFolderAreNotFollowed) {
  TempRoot root("temp_cleaner_link");
  root.dir().Put("outside/keep.txt", "keep");
  MTempCleaner cleaner(L"Linked", nullptr);
  cleaner.Init();
  zb::platform::ResolvedPath folder;
  zb::platform::ResolveWindowsPath(cleaner.GetCurPath().GetString(), &folder);
  CHECK_EQUAL(0, symlink(root.dir().Native("outside").c_str(), (folder.native + "/link").c_str()));
  cleaner.Finish();
  CHECK_EQUAL(std::string("keep"), root.dir().Get("outside/keep.txt"));
  CHECK(!root.dir().Exists("outside/__fold__.lock"));
}
#endif

TEST(AnUnusableTemporaryDirectoryRedirectsNothing) {
  TempRoot root("temp_cleaner_unusable");
  root.dir().Put("plain", "a file, not a folder");
  const std::wstring bad = root.dir().Win(L"plain");
  TempRoot::Put(L"TMP", bad);
  MTempCleaner cleaner(L"App", nullptr);
  cleaner.Init();
  CHECK(GetLastError() != 0);
  CHECK_WIDE(bad.c_str(), Env(L"TMP").c_str());
  CHECK_EQUAL(0, cleaner.EnumerateRootTempFolders());
  CHECK(root.dir().Get("plain") == "a file, not a folder");
}

TEST(FileNameModeRedirectsTheCallersName) {
  TempRoot root("temp_cleaner_name");
  MFileName target((root.dir().Win() + L"\\").c_str(), true);
  const std::wstring tmp_before = Env(L"TMP");
  CString entry(L"Named");
  MTempCleaner cleaner(entry, &target);
  cleaner.SetFileName(&target);
  cleaner.Init();
  CHECK(cleaner.GetCurPath().Find(L"\\\\Named_") > 0);  // the doubled backslash of the CString form
  CHECK_WIDE(tmp_before.c_str(), Env(L"TMP").c_str());   // the environment is left alone
  cleaner.Finish();
  CHECK(!Exists(cleaner.GetCurPath()));
}

TEST(EntryNamesAreMadeSafe) {
  TestCleaner cleaner(L"", nullptr);
  cleaner.SetEntryName(L"C:\\dir\\My App?.exe");
  TempRoot root("temp_cleaner_safe");
  cleaner.Init();
  CHECK(cleaner.GetCurPath().Find(L"My App__") > 0);
  cleaner.SetEntryName(L"Other");  // ignored while active
  CHECK_EQUAL(1, cleaner.EnumerateRootTempFolders());
  cleaner.Finish();
}

}  // SUITE(MTempCleaner)
