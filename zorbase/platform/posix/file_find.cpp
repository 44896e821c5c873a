// Directory listings: FindFirstFileW, FindNextFileW, FindClose.
#include "file_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include <zorbase/platform/last_error.h>

namespace zb {
namespace platform {
namespace internal {
namespace {

struct FoundEntry {
  std::string native_name;
  std::wstring name;
  std::wstring sort_key;
};

// A search in progress: the matching names, taken when the search began, in listing order.
class FindObject : public KernelObject {
 public:
  bool ClosesWithCloseHandle() const override { return false; }

  std::string directory;  // native directory of the entries
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
};

bool HasWildcards(const std::wstring& name) {
  return name.find_first_of(L"*?<>\"") != std::wstring::npos;
}

std::wstring SortKey(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key) c = UpcaseChar(c);
  return key;
}

// Fills `data` for one entry; false when the entry has gone meanwhile.
bool Describe(const std::string& directory, const FoundEntry& entry, WIN32_FIND_DATAW* data) {
  const std::string native =
      entry.native_name == "." ? directory
      : entry.native_name == ".." ? DirName(directory)
      : (directory == "/" ? "/" : directory + "/") + entry.native_name;
  struct stat st;
  if (stat(native.c_str(), &st) != 0 && lstat(native.c_str(), &st) != 0) return false;
  std::memset(data, 0, sizeof(*data));
  FillStatFields(native, st, entry.native_name, data);
  const std::size_t length = std::min<std::size_t>(entry.name.size(), MAX_PATH - 1);
  std::wmemcpy(data->cFileName, entry.name.data(), length);
  data->cFileName[length] = 0;
  return true;
}

// Delivers the next entry that still exists. FALSE with ERROR_NO_MORE_FILES at the end.
BOOL DeliverNext(FindObject& search, WIN32_FIND_DATAW* data) {
  while (search.next < search.entries.size()) {
    const FoundEntry& entry = search.entries[search.next++];
    if (Describe(search.directory, entry, data)) return TRUE;
  }
  return FailWith(ERROR_NO_MORE_FILES);
}

}  // namespace
}  // namespace internal
}  // namespace platform
}  // namespace zb

using namespace zb::platform::internal;

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (pattern == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::wstring text(pattern);
  if (text.empty() || text.back() == L'\\' || text.back() == L'/') {
    SetLastError(ERROR_FILE_NOT_FOUND);  // a directory name with a separator lists nothing
    return INVALID_HANDLE_VALUE;
  }
  const std::size_t separator = text.find_last_of(L"\\/");
  std::wstring name = separator == std::wstring::npos ? text : text.substr(separator + 1);
  if (separator == std::wstring::npos && name.size() >= 2 && name[1] == L':') name.erase(0, 2);
  auto search = std::make_shared<FindObject>();
  if (!HasWildcards(name) || name == L"." || name == L"..") {
    zb::platform::ResolvedPath path;
    DWORD code = zb::platform::ResolveWindowsPath(pattern, &path);
    if (code == ERROR_SUCCESS && !path.exists) {
      code = path.parent_missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    }
    if (code == ERROR_SUCCESS && path.is_root) code = ERROR_FILE_NOT_FOUND;
    if (code != ERROR_SUCCESS) {
      SetLastError(code);
      return INVALID_HANDLE_VALUE;
    }
    search->directory = DirName(path.native);
    FoundEntry entry;
    entry.native_name = BaseName(path.native);
    entry.name = zb::platform::DecodeNativeName(entry.native_name);
    search->entries.push_back(entry);
  } else {
    zb::platform::ResolvedPath path;
    DWORD code = zb::platform::ResolveWindowsPath(pattern, &path, zb::platform::kResolvePattern);
    if (code == ERROR_SUCCESS && !path.exists) code = ERROR_PATH_NOT_FOUND;
    if (code != ERROR_SUCCESS) {
      SetLastError(code);
      return INVALID_HANDLE_VALUE;
    }
    search->directory = DirName(path.native);
    DIR* dir = opendir(search->directory.c_str());
    if (dir == nullptr) {
      zb::platform::SetLastErrorFromErrno(errno, true);
      return INVALID_HANDLE_VALUE;
    }
    const std::wstring dos_pattern = DosPattern(name);
    const bool root = search->directory == zb::platform::DriveRoot(path.drive);
    while (dirent* item = readdir(dir)) {
      const std::string native_name = item->d_name;
      if (root && (native_name == "." || native_name == "..")) continue;
      FoundEntry entry;
      entry.native_name = native_name;
      entry.name = zb::platform::DecodeNativeName(native_name);
      if (!MatchesWildcard(dos_pattern, entry.name)) continue;
      entry.sort_key = SortKey(entry.name);
      search->entries.push_back(std::move(entry));
    }
    closedir(dir);
    std::sort(search->entries.begin(), search->entries.end(),
              [](const FoundEntry& a, const FoundEntry& b) {
                const int rank_a = a.native_name == "." ? 0 : a.native_name == ".." ? 1 : 2;
                const int rank_b = b.native_name == "." ? 0 : b.native_name == ".." ? 1 : 2;
                if (rank_a != rank_b) return rank_a < rank_b;
                if (a.sort_key != b.sort_key) return a.sort_key < b.sort_key;
                return a.native_name < b.native_name;
              });
  }
  if (!DeliverNext(*search, data)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return zb::platform::RegisterHandle(search);
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
  auto search = zb::platform::LookupHandleAs<FindObject>(handle);
  if (!search) return FailWith(ERROR_INVALID_HANDLE);
  if (data == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  return DeliverNext(*search, data);
}

BOOL FindClose(HANDLE handle) {
  auto search = zb::platform::LookupHandleAs<FindObject>(handle);
  if (!search || !zb::platform::UnregisterHandle(handle)) return FailWith(ERROR_INVALID_HANDLE);
  return TRUE;
}
