// Standard and program folders, emptiness and access tests, copying, and the path text helpers.
#include <zorbase/files/MDirectory.h>

#include <cwchar>
#include <string>

#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/shell_file.h>
#include <zorbase/platform/shell_folders.h>
#include <zorbase/platform/win_errors.h>

namespace {

// Copies `text` into a zeroed buffer of 260 characters and 2 terminators (a double-NUL list of one
// path); false when it does not fit.
bool ToDoubleNulList(const std::wstring& text, wchar_t (&buffer)[MAX_PATH + 2]) {
  std::wmemset(buffer, 0, MAX_PATH + 2);
  if (text.size() > MAX_PATH) return false;
  std::wmemcpy(buffer, text.c_str(), text.size());
  return true;
}

}  // namespace

namespace MDirectory {

std::wstring GetStandard(int csidl, bool create) {
  wchar_t buffer[MAX_PATH + 1] = {};
  SHGetFolderPathW(nullptr, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr, SHGFP_TYPE_CURRENT,
                   buffer);
  return buffer;
}

std::wstring GetPrograms(bool common) {
  return GetStandard(common ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, false);
}
std::wstring GetProgramFiles(bool common) {
  return GetStandard(common ? CSIDL_PROGRAM_FILES_COMMON : CSIDL_PROGRAM_FILES, false);
}
std::wstring GetDocuments(bool common) {
  return GetStandard(common ? CSIDL_COMMON_DOCUMENTS : CSIDL_PERSONAL, false);
}
std::wstring GetApplicationData(bool common) {
  return GetStandard(common ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA, false);
}

std::wstring GetApplication() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return MFileName(buffer, false).GET_DRIVE_DIR_PARTS(true);
}

std::wstring GetCurrent() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

std::wstring GetTemporary() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::wstring GetTemporaryFileName(const wchar_t* prefix) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const std::wstring dir = GetTemporary();
  if (dir.empty()) return std::wstring();
  GetTempFileNameW(dir.c_str(), prefix != nullptr ? prefix : L"", 0, buffer);
  return buffer;
}

std::wstring GetSystemDrive() {
  wchar_t buffer[MAX_PATH + 1] = {};
  GetWindowsDirectoryW(buffer, MAX_PATH);
  return MFileName(buffer, true).GET_DRIVE_PART();
}

bool GET_SPECIAL_FOLDER_PATH(wchar_t* buffer, HWND owner, int csidl) {
  if (buffer == nullptr) return false;
  return SHGetFolderPathW(owner, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) >= 0;
}

void GET_EXECUTABLE_DIRECTORY(MFileName& out) {
  wchar_t* buffer = out.RESERVE();
  buffer[0] = 0;
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MFileName::PATH_CAPACITY);
  if (length > 0) {
    out.RELEASE(false);
  }
  // Drive and directory stay; title and extension go (also when the system gave nothing).
  out.SET_FILE_PART(nullptr, 0);
  out.SET_EXT_PART(nullptr, 0);
}

void GET_WORKING_DIRECTORY(MFileName& out) {
  MFileName ini;
  GET_EXECUTABLE_DIRECTORY(ini);
  ini.SET_FILE_EXT_PARTS(L"material.ini", 256, 256);
  wchar_t value[MAX_PATH + 1] = {};
  GetPrivateProfileStringW(L"Quvara", L"WorkingDirectory", L"", value, MAX_PATH, ini.GET());
  if (value[0] != 0) {
    out.SET(value, true);
  } else {
    out.FREE();
  }
}

void GET_PROJECT_DIRECTORY(MFileName& out) { GET_WORKING_DIRECTORY(out); }

bool IsDirectoryEmpty(const CString& dir) {
  if (!PathFileExistsW(dir.GetString())) return true;
  CString pattern = dir;
  pattern += L"\\*.*";
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.GetString(), &data);
  if (search == INVALID_HANDLE_VALUE) return true;
  // The first entry is passed over unexamined (on most file systems it is ".").
  bool empty = true;
  while (FindNextFileW(search, &data)) {
    if (CString(data.cFileName).CompareNoCase(L".") == 0 ||
        CString(data.cFileName).CompareNoCase(L"..") == 0) {
      continue;
    }
    empty = false;
    break;
  }
  FindClose(search);
  return empty;
}

bool DirectoryHasAccess(const CString& path, DWORD access) {
  HANDLE file = CreateFileW(path.GetString(), access, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  return GetLastError() != ERROR_ACCESS_DENIED;
}

bool CopyDirectoryContents(const CString& from, const CString& to, bool showProgress) {
  wchar_t source[MAX_PATH + 2];
  wchar_t target[MAX_PATH + 2];
  if (!ToDoubleNulList(std::wstring(from.GetString()) + L"\\*.*", source) ||
      !ToDoubleNulList(to.GetString(), target)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  SHCreateDirectoryExW(nullptr, target, nullptr);
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_COPY;
  operation.pFrom = source;
  operation.pTo = target;
  operation.fFlags = static_cast<FILEOP_FLAGS>(0x1610 | (showProgress ? 0 : FOF_SILENT));
  return SHFileOperationW(&operation) == 0;
}

}  // namespace MDirectory

namespace MFileUtility {

bool FixFileName(std::wstring& name) {
  if (name.empty()) return false;
  bool changed = false;
  for (wchar_t forbidden : {L'\\', L'/', L'*', L':', L'?', L'<', L'>', L'|', L'"'}) {
    std::size_t at = name.find(forbidden);
    while (at != std::wstring::npos) {
      changed = true;
      if (at == 0) {
        name.erase(0, 1);
        at = name.find(forbidden);
      } else {
        name[at] = L'_';
        at = name.find(forbidden, at + 1);
      }
    }
  }
  return changed;
}

}  // namespace MFileUtility

bool IsAbsolutePath(const wchar_t* path) {
  if (path == nullptr || path[0] == 0) return false;
  if (path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return (path[0] == L'\\' && path[1] == L'\\') || (path[0] == L'/' && path[1] == L'/');
}

void AssurePath(CString& path) {
  path.Replace(L'/', L'\\');
  if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\') path += L'\\';
}

void AssurePathAppend(CString& path, const wchar_t* name) {
  AssurePath(path);
  if (name == nullptr) return;
  if (name[0] == L'\\' || name[0] == L'/') ++name;
  path += name;
}

bool mkdirchain(const wchar_t* path) {
  SetLastError(ERROR_INVALID_PARAMETER);
  if (path == nullptr) return false;
  std::wstring work(path);
  if (work.size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  for (std::size_t end = 0; end <= work.size(); ++end) {
    if (end < work.size() && work[end] != L'\\' && work[end] != L'/') continue;
    if (end < work.size()) work[end] = L'\\';
    const std::wstring prefix = work.substr(0, end);
    if (!prefix.empty()) {
      const wchar_t last = prefix.back();
      if (last == L'.' || last == L'/' || last == L':' || last == L'\\') continue;
    }
    if (_waccess(prefix.c_str(), 0) == 0) continue;
    // The empty prefix of a path that begins with a separator cannot be created.
    if (!CreateDirectoryW(prefix.c_str(), nullptr)) {
      if (prefix.empty()) SetLastError(ERROR_PATH_NOT_FOUND);
      return false;
    }
  }
  return true;
}
