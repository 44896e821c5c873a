// Per-directory tables of folded names for the case-insensitive lookup; see dir_name_cache.h.
#include "dir_name_cache.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <zorbase/platform/path_mapping.h>

namespace zb {
namespace platform {
namespace internal {
namespace {

// Directories remembered at most, and entries over all of them; the least recently used go first.
constexpr std::size_t kMaxDirectories = 64;
constexpr std::size_t kMaxEntries = 2000000;
// A table read this close to the directory's last change may have missed a change in that tick.
constexpr std::int64_t kRacyNanoseconds = 2000000000LL;

struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t mtime = 0;
  std::int64_t ctime = 0;
  bool operator==(const Stamp& o) const {
    return device == o.device && inode == o.inode && mtime == o.mtime && ctime == o.ctime;
  }
};

std::int64_t Nanoseconds(const struct timespec& ts) {
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

bool StampOf(const std::string& dir, Stamp* stamp) {
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  stamp->device = st.st_dev;
  stamp->inode = st.st_ino;
  stamp->mtime = Nanoseconds(st.st_mtim);
  stamp->ctime = Nanoseconds(st.st_ctim);
  return true;
}

// The key under which a native name is filed: its upper-case form, as UTF-8 (short keys stay in
// the string's own storage). Names of ASCII only, the usual case, skip the wide conversion.
std::string FoldedKey(const char* name, std::size_t length) {
  bool ascii = true;
  for (std::size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(name[i]) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    std::string key(name, length);
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
  }
  std::wstring wide = DecodeNativeName(std::string(name, length));
  for (wchar_t& c : wide) c = UpcaseChar(c);
  return EncodeNativeName(wide);
}

std::string FoldedKey(const std::wstring& wanted) {
  std::wstring wide = wanted;
  for (wchar_t& c : wide) c = UpcaseChar(c);
  return EncodeNativeName(wide);
}

struct Table {
  Stamp stamp;
  bool racy = false;
  bool cacheable = false;
  std::vector<std::string> all;                        // every name, in listing order
  // Folded key -> first name in byte order. Built for lookups only: a listing needs just `all`.
  bool indexed = false;
  std::unordered_map<std::string, std::uint32_t> names;
  void BuildIndex() {
    names.reserve(all.size());
    for (std::uint32_t index = 0; index < all.size(); ++index) {
      const std::string& name = all[index];
      auto inserted = names.emplace(FoldedKey(name.data(), name.size()), index);
      if (!inserted.second && name < all[inserted.first->second]) inserted.first->second = index;
    }
    indexed = true;
  }
  const std::string* Find(const std::string& key) const {
    auto found = names.find(key);
    return found == names.end() ? nullptr : &all[found->second];
  }
};

// File systems whose directory modification and change times move with every change of the
// directory's entries, seen by every process at once.
bool TimesAreReliable(const std::string& dir) {
  struct statfs fs;
  if (statfs(dir.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:       // ext2, ext3, ext4
    case 0x58465342:   // XFS
    case 0x9123683E:   // Btrfs
    case 0x01021994:   // tmpfs
    case 0xF2F52010:   // F2FS
    case 0x2FC12FC1:   // ZFS
    case 0x794C7630:   // overlayfs
      return true;
    default:
      return false;
  }
}

struct Cache {
  std::mutex mutex;
  // Most recently used first.
  std::list<std::pair<std::string, std::shared_ptr<const Table>>> order;
  std::unordered_map<std::string, decltype(order)::iterator> by_dir;
  std::size_t entries = 0;
};

Cache& TheCache() {
  static Cache* cache = new Cache();  // never destroyed: lookups may run during exit
  return *cache;
}

std::atomic<std::size_t> g_scans{0};

// Reads `dir` into a new table stamped with `stamp` (taken before the read, so a change during the
// read shows as a stale stamp next time). Null when the directory cannot be read.
std::shared_ptr<Table> ReadTable(const std::string& dir, const Stamp& stamp, bool index,
                                 int* error = nullptr) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    if (error != nullptr) *error = errno;
    return nullptr;
  }
  ++g_scans;
  auto table = std::make_shared<Table>();
  table->stamp = stamp;
  while (dirent* entry = readdir(d)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    table->all.emplace_back(name);
  }
  closedir(d);
  if (index) table->BuildIndex();
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t latest = std::max(stamp.mtime, stamp.ctime);
  table->racy = Nanoseconds(now) - latest < kRacyNanoseconds;
  table->cacheable = TimesAreReliable(dir);
  return table;
}

void Remember(const std::string& dir, const std::shared_ptr<const Table>& table) {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto found = cache.by_dir.find(dir);
  if (found != cache.by_dir.end()) {
    cache.entries -= found->second->second->all.size();
    cache.order.erase(found->second);
    cache.by_dir.erase(found);
  }
  if (!table->cacheable || table->all.size() > kMaxEntries) return;
  cache.order.emplace_front(dir, table);
  cache.by_dir[dir] = cache.order.begin();
  cache.entries += table->all.size();
  while (cache.order.size() > kMaxDirectories || cache.entries > kMaxEntries) {
    auto& last = cache.order.back();
    cache.entries -= last.second->all.size();
    cache.by_dir.erase(last.first);
    cache.order.pop_back();
  }
}

std::shared_ptr<const Table> Recall(const std::string& dir) {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto found = cache.by_dir.find(dir);
  if (found == cache.by_dir.end()) return nullptr;
  cache.order.splice(cache.order.begin(), cache.order, found->second);
  return found->second->second;
}

bool NameExists(const std::string& dir, const std::string& name) {
  struct stat st;
  const std::string path = (dir == "/" ? std::string() : dir) + "/" + name;
  return fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

std::string FindNameNoCase(const std::string& dir, const std::wstring& wanted) {
  Stamp stamp;
  if (!StampOf(dir, &stamp)) return std::string();
  const std::string key = FoldedKey(wanted);
  std::shared_ptr<const Table> table = Recall(dir);
  if (table != nullptr && table->stamp == stamp && !table->indexed && !table->racy) {
    // Read for a listing: index the same names instead of reading the directory again.
    auto indexed = std::make_shared<Table>(*table);
    indexed->BuildIndex();
    Remember(dir, indexed);
    table = indexed;
  }
  if (table != nullptr && table->stamp == stamp && table->indexed) {
    const std::string* found = table->Find(key);
    if (!table->racy) return found == nullptr ? std::string() : *found;
    if (found != nullptr && NameExists(dir, *found)) return *found;
    // A racy table: a miss, or a name that has gone, is confirmed by reading the directory again.
  }
  std::shared_ptr<Table> fresh = ReadTable(dir, stamp, true);
  if (fresh == nullptr) return std::string();
  const std::string* found = fresh->Find(key);
  std::string result = found == nullptr ? std::string() : *found;
  Remember(dir, fresh);
  return result;
}

std::shared_ptr<const std::vector<std::string>> ListNames(const std::string& dir, int* error) {
  Stamp stamp;
  if (!StampOf(dir, &stamp)) {
    *error = errno;
    return nullptr;
  }
  std::shared_ptr<const Table> table = Recall(dir);
  if (table == nullptr || !(table->stamp == stamp) || table->racy) {
    std::shared_ptr<Table> fresh = ReadTable(dir, stamp, false, error);
    if (fresh == nullptr) return nullptr;
    Remember(dir, fresh);
    table = fresh;
  }
  // The list lives as long as its table; share ownership with it.
  return std::shared_ptr<const std::vector<std::string>>(table, &table->all);
}

void ClearNameCache() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.order.clear();
  cache.by_dir.clear();
  cache.entries = 0;
}

std::size_t NameCacheDirectories() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  return cache.order.size();
}

std::size_t NameCacheScans() { return g_scans.load(); }

}  // namespace internal
}  // namespace platform
}  // namespace zb
