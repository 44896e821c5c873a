// Standard folders: CSIDL codes on the XDG base and user directories and on drive C:.
#include <zorbase/platform/shell_folders.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/shell_file.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace {

enum class Kind { kUserDir, kBaseDir, kHome, kUnderDriveC };

struct Row {
  int csidl;
  const char* name;
  Kind kind;
  const char* key;       // XDG variable, or the path below C:
  const char* fallback;  // below $HOME, for XDG variables that are not set
  const char* below;     // base directories: the folder below the base ("" for the base itself)
};

// The table, in CSIDL order. docs/directories.md shows the same table.
constexpr Row kRows[] = {
    {CSIDL_DESKTOP, "CSIDL_DESKTOP", Kind::kUserDir, "XDG_DESKTOP_DIR", "Desktop", nullptr},
    {CSIDL_PROGRAMS, "CSIDL_PROGRAMS", Kind::kBaseDir, "XDG_DATA_HOME", ".local/share", "/applications"},
    {CSIDL_PERSONAL, "CSIDL_PERSONAL", Kind::kUserDir, "XDG_DOCUMENTS_DIR", "Documents", nullptr},
    {CSIDL_STARTUP, "CSIDL_STARTUP", Kind::kBaseDir, "XDG_CONFIG_HOME", ".config", "/autostart"},
    {CSIDL_STARTMENU, "CSIDL_STARTMENU", Kind::kBaseDir, "XDG_DATA_HOME", ".local/share", "/applications"},
    {CSIDL_MYMUSIC, "CSIDL_MYMUSIC", Kind::kUserDir, "XDG_MUSIC_DIR", "Music", nullptr},
    {CSIDL_MYVIDEO, "CSIDL_MYVIDEO", Kind::kUserDir, "XDG_VIDEOS_DIR", "Videos", nullptr},
    {CSIDL_DESKTOPDIRECTORY, "CSIDL_DESKTOPDIRECTORY", Kind::kUserDir, "XDG_DESKTOP_DIR", "Desktop", nullptr},
    {CSIDL_FONTS, "CSIDL_FONTS", Kind::kUnderDriveC, "Windows\\Fonts", nullptr, nullptr},
    {CSIDL_TEMPLATES, "CSIDL_TEMPLATES", Kind::kUserDir, "XDG_TEMPLATES_DIR", "Templates", nullptr},
    {CSIDL_COMMON_STARTMENU, "CSIDL_COMMON_STARTMENU", Kind::kUnderDriveC,
     "ProgramData\\Microsoft\\Windows\\Start Menu", nullptr, nullptr},
    {CSIDL_COMMON_PROGRAMS, "CSIDL_COMMON_PROGRAMS", Kind::kUnderDriveC,
     "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs", nullptr, nullptr},
    {CSIDL_COMMON_DESKTOPDIRECTORY, "CSIDL_COMMON_DESKTOPDIRECTORY", Kind::kUnderDriveC,
     "Users\\Public\\Desktop", nullptr, nullptr},
    {CSIDL_APPDATA, "CSIDL_APPDATA", Kind::kBaseDir, "XDG_CONFIG_HOME", ".config", ""},
    {CSIDL_LOCAL_APPDATA, "CSIDL_LOCAL_APPDATA", Kind::kBaseDir, "XDG_DATA_HOME", ".local/share", ""},
    {CSIDL_INTERNET_CACHE, "CSIDL_INTERNET_CACHE", Kind::kBaseDir, "XDG_CACHE_HOME", ".cache", ""},
    {CSIDL_COMMON_APPDATA, "CSIDL_COMMON_APPDATA", Kind::kUnderDriveC, "ProgramData", nullptr, nullptr},
    {CSIDL_WINDOWS, "CSIDL_WINDOWS", Kind::kUnderDriveC, "Windows", nullptr, nullptr},
    {CSIDL_SYSTEM, "CSIDL_SYSTEM", Kind::kUnderDriveC, "Windows\\System32", nullptr, nullptr},
    {CSIDL_PROGRAM_FILES, "CSIDL_PROGRAM_FILES", Kind::kUnderDriveC, "Program Files", nullptr, nullptr},
    {CSIDL_MYPICTURES, "CSIDL_MYPICTURES", Kind::kUserDir, "XDG_PICTURES_DIR", "Pictures", nullptr},
    {CSIDL_PROFILE, "CSIDL_PROFILE", Kind::kHome, "HOME", nullptr, nullptr},
    {CSIDL_PROGRAM_FILES_COMMON, "CSIDL_PROGRAM_FILES_COMMON", Kind::kUnderDriveC,
     "Program Files\\Common Files", nullptr, nullptr},
    {CSIDL_COMMON_TEMPLATES, "CSIDL_COMMON_TEMPLATES", Kind::kUnderDriveC,
     "ProgramData\\Microsoft\\Windows\\Templates", nullptr, nullptr},
    {CSIDL_COMMON_DOCUMENTS, "CSIDL_COMMON_DOCUMENTS", Kind::kUnderDriveC,
     "Users\\Public\\Documents", nullptr, nullptr},
};

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? std::string(home) : std::string("/tmp");
}

// $XDG_CONFIG_HOME, or ~/.config.
std::string ConfigHome() {
  const char* value = std::getenv("XDG_CONFIG_HOME");
  return value != nullptr && value[0] == '/' ? std::string(value) : Home() + "/.config";
}

// The value of `key` in user-dirs.dirs ("$HOME/..." or an absolute path), or "" when the file or
// the line is missing. A value of "$HOME/" alone counts as missing (the folder is switched off).
std::string UserDir(const char* key) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line;
  const std::string prefix = std::string(key) + "=";
  while (std::getline(in, line)) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) continue;
    std::string value = line.substr(start + prefix.size());
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
      value.pop_back();
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.compare(0, 5, "$HOME") == 0) {
      const std::string rest = value.substr(5);
      if (rest.empty() || rest == "/") return std::string();
      value = Home() + rest;
    }
    return value.size() > 1 && value[0] == '/' ? value : std::string();
  }
  return std::string();
}

// The Windows path of a row.
std::wstring FolderOf(const Row& row) {
  std::string native;
  switch (row.kind) {
    case Kind::kUserDir:
      native = UserDir(row.key);
      if (native.empty()) native = Home() + "/" + row.fallback;
      break;
    case Kind::kBaseDir: {
      const char* value = std::getenv(row.key);
      native = (value != nullptr && value[0] == '/' ? std::string(value)
                                                     : Home() + "/" + row.fallback) +
               row.below;
      break;
    }
    case Kind::kHome:
      native = Home();
      break;
    case Kind::kUnderDriveC:
      return std::wstring(L"C:\\") + DecodeNativeName(row.key);
  }
  return NativeToWindowsPath(native);
}

const Row* FindRow(int csidl) {
  for (const Row& row : kRows) {
    if (row.csidl == csidl) return &row;
  }
  return nullptr;
}

}  // namespace

const StandardFolder* StandardFolders(int* count) {
  static StandardFolder rows[sizeof(kRows) / sizeof(kRows[0])];
  static const bool filled = [] {
    for (std::size_t i = 0; i < sizeof(kRows) / sizeof(kRows[0]); ++i) {
      rows[i].csidl = kRows[i].csidl;
      rows[i].name = kRows[i].name;
      rows[i].source = kRows[i].kind == Kind::kUnderDriveC ? "drive C:" : kRows[i].key;
    }
    return true;
  }();
  (void)filled;
  if (count != nullptr) *count = static_cast<int>(sizeof(kRows) / sizeof(kRows[0]));
  return rows;
}

}  // namespace platform
}  // namespace zb

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
  if (path == nullptr) return E_INVALIDARG;
  path[0] = 0;
  const zb::platform::Row* row = zb::platform::FindRow(csidl & ~CSIDL_FLAG_MASK);
  if (row == nullptr) return E_INVALIDARG;
  const std::wstring folder = zb::platform::FolderOf(*row);
  if (folder.empty() || folder.size() >= MAX_PATH) return E_FAIL;
  if ((csidl & CSIDL_FLAG_DONT_VERIFY) == 0) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    const bool exists =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!exists) {
      if ((csidl & CSIDL_FLAG_CREATE) == 0) return E_FAIL;
      const int created = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
      if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS) return E_FAIL;
    }
  }
  std::wmemcpy(path, folder.c_str(), folder.size() + 1);
  return S_OK;
}

BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create) {
  return SHGetFolderPathW(owner, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                          SHGFP_TYPE_CURRENT, path) == S_OK
             ? TRUE
             : FALSE;
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  const std::wstring folder = L"C:\\Windows";
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const int created = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS) {
      SetLastError(static_cast<DWORD>(created));
      return 0;
    }
  }
  if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
  std::wmemcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}
