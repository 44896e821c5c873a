#include <zorbase/platform/shell_folders.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/internal/scratch_dir.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/strings/internal/wide_check.h>

namespace {

// Points HOME and the XDG variables at a scratch folder for one test.
class FakeHome {
 public:
  explicit FakeHome(const char* name) : dir_(name) {
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
      const char* value = std::getenv(variable);
      saved_.emplace_back(variable, value != nullptr ? value : "\x01");
    }
    setenv("HOME", dir_.Native().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CACHE_HOME");
  }
  ~FakeHome() {
    for (const auto& entry : saved_) {
      if (entry.second == "\x01") {
        unsetenv(entry.first.c_str());
      } else {
        setenv(entry.first.c_str(), entry.second.c_str(), 1);
      }
    }
  }
  const zb::test::ScratchDir& dir() const { return dir_; }
  // The Windows form of a native path below the fake home.
  std::wstring Win(const std::string& below) const {
    return zb::platform::NativeToWindowsPath(dir_.Native(below));
  }

 private:
  zb::test::ScratchDir dir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

std::wstring Folder(int csidl, HRESULT* result = nullptr) {
  wchar_t path[MAX_PATH] = L"junk";
  const HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  if (result != nullptr) *result = hr;
  return path;
}

}  // namespace

SUITE(ShellFolders) {

TEST(UserFoldersComeFromUserDirsAndBaseDirectories) {
  FakeHome home("shell_folders_xdg");
  home.dir().Put(".config/user-dirs.dirs",
                 "# written by xdg-user-dirs-update\n"
                 "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                 "XDG_DESKTOP_DIR=\"$HOME/\"\n");
  HRESULT hr = 0;
  CHECK_WIDE(L"", Folder(CSIDL_PERSONAL, &hr).c_str());  // not there yet
  CHECK_EQUAL(E_FAIL, hr);
  CHECK_WIDE(home.Win("Dokumente").c_str(), Folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE, &hr).c_str());
  CHECK_EQUAL(S_OK, hr);
  CHECK(home.dir().Exists("Dokumente"));
  // A folder switched off ("$HOME/") falls back to the usual name below the home.
  CHECK_WIDE(home.Win("Desktop").c_str(), Folder(CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE).c_str());
  CHECK_WIDE(home.Win(".config").c_str(), Folder(CSIDL_APPDATA | CSIDL_FLAG_CREATE).c_str());
  CHECK_WIDE(home.Win(".local/share").c_str(), Folder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE).c_str());
  CHECK_WIDE(home.Win(".local/share/applications").c_str(),
             Folder(CSIDL_PROGRAMS | CSIDL_FLAG_CREATE).c_str());
  setenv("XDG_DATA_HOME", home.dir().Native("data").c_str(), 1);
  CHECK_WIDE(home.Win("data/applications").c_str(), Folder(CSIDL_PROGRAMS | CSIDL_FLAG_CREATE).c_str());
  CHECK_WIDE(home.Win("").c_str(), Folder(CSIDL_PROFILE).c_str());
}

TEST(MachineAndCommonFoldersLieUnderDriveC) {
  const struct {
    int csidl;
    const wchar_t* path;
  } cases[] = {
      {CSIDL_PROGRAM_FILES, L"C:\\Program Files"},
      {CSIDL_PROGRAM_FILES_COMMON, L"C:\\Program Files\\Common Files"},
      {CSIDL_COMMON_APPDATA, L"C:\\ProgramData"},
      {CSIDL_COMMON_DOCUMENTS, L"C:\\Users\\Public\\Documents"},
      {CSIDL_COMMON_PROGRAMS, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {CSIDL_WINDOWS, L"C:\\Windows"},
  };
  for (const auto& c : cases) {
    CHECK_WIDE(c.path, Folder(c.csidl | CSIDL_FLAG_CREATE).c_str());
    const DWORD attributes = GetFileAttributesW(c.path);
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    wchar_t special[MAX_PATH];
    CHECK(SHGetSpecialFolderPathW(nullptr, special, c.csidl, FALSE));
    CHECK_WIDE(c.path, special);
  }
  HRESULT hr = 0;
  CHECK_WIDE(L"", Folder(0x7F, &hr).c_str());
  CHECK_EQUAL(E_INVALIDARG, hr);
  CHECK_EQUAL(E_INVALIDARG, SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, nullptr));
}

TEST(WindowsDirectoryIsOnDriveC) {
  wchar_t buffer[MAX_PATH];
  CHECK_EQUAL(11u, GetWindowsDirectoryW(nullptr, 0));
  CHECK_EQUAL(10u, GetWindowsDirectoryW(buffer, MAX_PATH));
  CHECK_WIDE(L"C:\\Windows", buffer);
  CHECK(GetFileAttributesW(L"C:\\Windows") != INVALID_FILE_ATTRIBUTES);
}

}  // SUITE(ShellFolders)
