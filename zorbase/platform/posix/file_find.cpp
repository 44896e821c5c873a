// Directory listings: FindFirstFileW, FindNextFileW, FindClose.
#include "file_internal.h"
#include "dir_name_cache.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <zorbase/platform/internal/ascii.h>
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
  ~FindObject() override {
    if (directory_fd >= 0) close(directory_fd);
  }
  bool ClosesWithCloseHandle() const override { return false; }

  std::string directory;  // native directory of the entries
  int directory_fd = -1;  // the directory, for looking entries up without walking its path
  std::vector<FoundEntry> entries;
  std::size_t next = 0;
};

bool HasWildcards(const std::wstring& name) {
  return name.find_first_of(L"*?<>\"") != std::wstring::npos;
}

// Widens a name of ASCII characters only into `out` (reusing its storage); false for any other
// name, which needs the full decoding.
bool DecodeAsciiName(const char* name, std::wstring* out) {
  out->clear();
  for (const char* p = name; *p != 0; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
    out->push_back(static_cast<wchar_t>(*p));
  }
  return true;
}

std::wstring SortKey(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key) c = c < 0x80 ? zb::internal::AsciiToUpper(c) : UpcaseChar(c);
  return key;
}

// Attributes of listed files, remembered by device and inode while the file's change time stays
// the same: every change of the permission bits or of the stored attribute record moves the change
// time, so a repeated listing of a large directory needs no attribute read per entry. Files changed
// within the last two seconds are not remembered, since a change in the same timestamp tick would
// not show.
class AttributeCache {
 public:
  DWORD Get(const std::string& native, const struct stat& st, const std::string& name) {
    const bool dot_name = name.size() > 1 && name[0] == '.';
    const Key key{st.st_dev, st.st_ino};
    const std::int64_t ctime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000LL +
                               st.st_ctim.tv_nsec;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = entries_.find(key);
      if (found != entries_.end() && found->second.ctime == ctime &&
          found->second.mode == st.st_mode && found->second.dot_name == dot_name) {
        return found->second.attributes;
      }
    }
    const DWORD attributes = AttributesOf(native, st, name);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t now_ns = static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    if (now_ns - ctime >= 2000000000LL) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (entries_.size() >= kMaxEntries) entries_.clear();
      entries_[key] = Entry{ctime, st.st_mode, dot_name, attributes};
    }
    return attributes;
  }

 private:
  static constexpr std::size_t kMaxEntries = 1000000;
  struct Key {
    dev_t device;
    ino_t inode;
    bool operator==(const Key& o) const { return device == o.device && inode == o.inode; }
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const {
      return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(k.inode) * 1000003u ^
                                        static_cast<std::uint64_t>(k.device));
    }
  };
  struct Entry {
    std::int64_t ctime;
    mode_t mode;
    bool dot_name;
    DWORD attributes;
  };
  std::mutex mutex_;
  std::unordered_map<Key, Entry, KeyHash> entries_;
};

AttributeCache& Attributes() {
  static AttributeCache* cache = new AttributeCache();  // never destroyed: used during exit
  return *cache;
}

// Fills `data` for one entry; false when the entry has gone meanwhile.
bool Describe(const FindObject& search, const FoundEntry& entry, WIN32_FIND_DATAW* data) {
  const std::string& directory = search.directory;
  const std::string native =
      entry.native_name == "." ? directory
      : entry.native_name == ".." ? DirName(directory)
      : (directory == "/" ? "/" : directory + "/") + entry.native_name;
  struct stat st;
  const bool plain = entry.native_name != "." && entry.native_name != ".." && search.directory_fd >= 0;
  // A symbolic link is described by its target (its own data when dangling) and carries
  // FILE_ATTRIBUTE_REPARSE_POINT, as Windows lists links, so that tree walks can leave it alone.
  bool link = false;
  if (plain) {
    if (fstatat(search.directory_fd, entry.native_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return false;
    }
    if (S_ISLNK(st.st_mode)) {
      link = true;
      struct stat target;
      if (fstatat(search.directory_fd, entry.native_name.c_str(), &target, 0) == 0) st = target;
    }
  } else if (stat(native.c_str(), &st) != 0 && lstat(native.c_str(), &st) != 0) {
    return false;
  }
  std::memset(data, 0, sizeof(*data));
  DWORD attributes = Attributes().Get(native, st, entry.native_name);
  if (link) attributes = (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_REPARSE_POINT;
  FillStatFields(st, attributes, data);
  const std::size_t length = std::min<std::size_t>(entry.name.size(), MAX_PATH - 1);
  std::wmemcpy(data->cFileName, entry.name.data(), length);
  data->cFileName[length] = 0;
  return true;
}

// Delivers the next entry that still exists. FALSE with ERROR_NO_MORE_FILES at the end.
BOOL DeliverNext(FindObject& search, WIN32_FIND_DATAW* data) {
  while (search.next < search.entries.size()) {
    const FoundEntry& entry = search.entries[search.next++];
    if (Describe(search, entry, data)) return TRUE;
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
    int error = 0;
    const auto names = ListNames(search->directory, &error);
    if (names == nullptr) {
      zb::platform::SetLastErrorFromErrno(error, true);
      return INVALID_HANDLE_VALUE;
    }
    const std::wstring dos_pattern = DosPattern(name);
    std::wstring wide;  // reused for every name, so names that do not match allocate nothing
    auto consider = [&](const std::string& native_name) {
      if (!DecodeAsciiName(native_name.c_str(), &wide)) {
        wide = zb::platform::DecodeNativeName(native_name);
      }
      if (!MatchesWildcard(dos_pattern, wide)) return;
      FoundEntry entry;
      entry.native_name = native_name;
      entry.name = wide;
      entry.sort_key = SortKey(entry.name);
      search->entries.push_back(std::move(entry));
    };
    // Every directory but a drive's root lists "." and "..", as on Windows.
    if (search->directory != zb::platform::DriveRoot(path.drive)) {
      consider(".");
      consider("..");
    }
    for (const std::string& native_name : *names) consider(native_name);
    search->directory_fd = open(search->directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
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
