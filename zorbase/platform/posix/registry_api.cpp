// The Win32 registry calls over the SQLite hives (registry.h): roots, handles, access checks,
// values, keys, enumeration, key information, connection, flushing and security.
#include <zorbase/platform/registry.h>

#include <zorbase/platform/internal/ascii.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/portable/registry_internal.h>
#include <zorbase/platform/portable/registry_security.h>

namespace zb {
namespace platform {
namespace reg {

namespace {

// Rights that change a key; a hive whose file cannot be written never grants them.
constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr DWORD kIgnoredRights = KEY_WOW64_32KEY | KEY_WOW64_64KEY | SYNCHRONIZE;

struct Mount {
  std::wstring name;
  std::shared_ptr<Hive> hive;
  std::string file;
};

enum HiveSlot { kUserHive, kMachineHive, kDefaultHive, kHiveCount };
const char* const kHiveFiles[kHiveCount] = {"user.db", "machine.db", "default.db"};

struct State {
  std::mutex mutex;
  bool directory_known = false;
  std::string directory;
  std::shared_ptr<Hive> hives[kHiveCount];
  std::vector<Mount> machine_mounts;
  std::vector<Mount> users_mounts;
  std::unordered_map<HKEY__*, KeyPtr> handles;
  KeyPtr roots[6];
};

State& GetState() {
  // Never destroyed: handles may be closed from static destructors of other units.
  static State* state = new State();
  return *state;
}

bool IsPredefined(HKEY key, int* index) {
  auto value = reinterpret_cast<std::uintptr_t>(key);
  auto base = reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT);
  if (value < base || value > base + 5) return false;
  *index = static_cast<int>(value - base);
  return true;
}

const wchar_t* RootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  if (root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG";
  return L"HKEY_PERFORMANCE_DATA";
}

std::string DirectoryFromEnvironment() {
  const char* dir = std::getenv("ZORBASE_REGISTRY_DIR");
  if (dir != nullptr && *dir != 0) return dir;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/') return std::string(config) + "/zorbase/registry";
  const char* home = std::getenv("HOME");
  std::string home_dir = home != nullptr && *home != 0 ? home : "";
  if (home_dir.empty()) {
    struct passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) home_dir = entry->pw_dir;
  }
  if (home_dir.empty()) home_dir = "/tmp";
  return home_dir + "/.config/zorbase/registry";
}

DWORD MakeDirectories(const std::string& path) {
  std::string partial;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    partial = path.substr(0, slash == std::string::npos ? path.size() : slash);
    if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
      return ErrorFromErrno(errno, ErrnoContext::kMissingParent);
    }
    if (slash == std::string::npos) break;
    at = slash + 1;
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return ERROR_PATH_NOT_FOUND;
  return ERROR_SUCCESS;
}

// The hive in `slot`, opened when first needed (caller holds the state lock).
LONG OpenHiveLocked(State& state, HiveSlot slot, std::shared_ptr<Hive>* hive) {
  if (state.hives[slot]) {
    *hive = state.hives[slot];
    return ERROR_SUCCESS;
  }
  if (!state.directory_known) {
    state.directory = DirectoryFromEnvironment();
    state.directory_known = true;
  }
  DWORD error = MakeDirectories(state.directory);
  if (error != ERROR_SUCCESS) return static_cast<LONG>(error);
  std::unique_ptr<Hive> opened = Hive::OpenFile(state.directory + "/" + kHiveFiles[slot], &error);
  if (!opened) return static_cast<LONG>(error);
  opened->set_change_listener(&OnHiveChange);
  std::shared_ptr<Hive> shared(std::move(opened));
  if (slot == kMachineHive) DescribeMachine(shared.get());
  state.hives[slot] = shared;
  *hive = shared;
  return ERROR_SUCCESS;
}

// The descriptor in force at `id`: its own or the nearest ancestor's, else the hive default.
std::vector<BYTE> EffectiveSecurity(Hive* hive, KeyId id) {
  std::vector<KeyId> chain = hive->Ancestry(id);
  for (KeyId ancestor : chain) {
    KeyRecord record;
    if (hive->GetKey(ancestor, &record) == ERROR_SUCCESS && record.has_security) return record.security;
  }
  return DefaultSecurity(hive->owner_sid());
}

DWORD MaximumAllowed(Hive* hive, const std::vector<BYTE>& security) {
  DWORD rights = GrantedAccess(security, CurrentUserSid());
  if (hive->read_only()) rights &= ~kWriteRights;
  return rights;
}

// Decides the rights of a new handle: `desired` (generic rights mapped) must all be allowed;
// MAXIMUM_ALLOWED asks for everything allowed.
LONG DecideAccess(DWORD desired, DWORD allowed, DWORD* granted) {
  DWORD mapped = MapGenericKeyRights(desired) & ~kIgnoredRights;
  bool maximum = (mapped & MAXIMUM_ALLOWED) != 0;
  mapped &= ~MAXIMUM_ALLOWED;
  if ((mapped & ~allowed) != 0) return ERROR_ACCESS_DENIED;
  *granted = maximum ? allowed : mapped;
  return ERROR_SUCCESS;
}

LONG MakeHiveRootObject(const std::shared_ptr<Hive>& hive, KeyId id, HKEY root, const std::wstring& path,
                        KeyPtr* object) {
  auto made = std::make_shared<KeyObject>();
  made->hive = hive;
  made->id = id;
  made->security = EffectiveSecurity(hive.get(), id);
  made->granted = MaximumAllowed(hive.get(), made->security);
  made->root = root;
  made->path = path;
  *object = made;
  return ERROR_SUCCESS;
}

LONG RootObject(int index, KeyPtr* object) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.roots[index]) {
    *object = state.roots[index];
    return ERROR_SUCCESS;
  }
  HKEY root = reinterpret_cast<HKEY>(reinterpret_cast<std::uintptr_t>(HKEY_CLASSES_ROOT) + index);
  KeyPtr made;
  if (root == HKEY_USERS) {
    made = std::make_shared<KeyObject>();
    made->users_root = true;
    made->granted = KEY_READ;
    made->root = root;
    made->path = RootName(root);
  } else if (root == HKEY_PERFORMANCE_DATA) {
    return ERROR_INVALID_HANDLE;
  } else {
    std::shared_ptr<Hive> hive;
    LONG result = OpenHiveLocked(state, root == HKEY_CURRENT_USER ? kUserHive : kMachineHive, &hive);
    if (result != ERROR_SUCCESS) return result;
    KeyId id = kRootKeyId;
    if (root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_CONFIG) {
      std::vector<std::wstring> levels;
      if (root == HKEY_CLASSES_ROOT) {
        levels = {L"Software", L"Classes"};
      } else {
        levels = {L"System", L"CurrentControlSet", L"Hardware Profiles", L"Current"};
      }
      KeyRecord record;
      bool created = false;
      result = hive->CreatePath(kRootKeyId, levels, std::wstring(), false, {}, nullptr, nullptr, &record, &created);
      if (result != ERROR_SUCCESS) return result == ERROR_ACCESS_DENIED ? ERROR_FILE_NOT_FOUND : result;
      id = record.id;
    }
    MakeHiveRootObject(hive, id, root, RootName(root), &made);
    made->lists_mounts = root == HKEY_LOCAL_MACHINE;
  }
  made->predefined = true;
  state.roots[index] = made;
  *object = made;
  return ERROR_SUCCESS;
}

// A hive mounted below HKEY_USERS (".DEFAULT", the user's SID, loaded hives) or below
// HKEY_LOCAL_MACHINE (loaded hives) with the name `level`.
LONG FindMount(bool users, const std::wstring& level, std::shared_ptr<Hive>* hive, std::wstring* name) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::wstring folded = FoldName(level);
  if (users) {
    if (folded == L".DEFAULT") {
      *name = L".DEFAULT";
      return OpenHiveLocked(state, kDefaultHive, hive);
    }
    std::string sid = CurrentUserSid();
    if (folded == std::wstring(sid.begin(), sid.end())) {
      *name = std::wstring(sid.begin(), sid.end());
      return OpenHiveLocked(state, kUserHive, hive);
    }
  }
  for (const Mount& mount : users ? state.users_mounts : state.machine_mounts) {
    if (FoldName(mount.name) == folded) {
      *hive = mount.hive;
      *name = mount.name;
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

std::vector<std::wstring> MountNames(bool users) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<std::wstring> names;
  if (users) {
    names.push_back(L".DEFAULT");
    std::string sid = CurrentUserSid();
    names.emplace_back(sid.begin(), sid.end());
  }
  for (const Mount& mount : users ? state.users_mounts : state.machine_mounts) names.push_back(mount.name);
  return names;
}

LONG Need(const KeyObject& object, DWORD rights) {
  return (object.granted & rights) == rights ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Hands `visit` the sub-keys of `object` in enumeration order, from the handle's cache while the
// hive is unchanged (so enumerating n keys one index at a time reads the list once).
template <typename Visitor>
LONG WithSubKeys(KeyObject& object, Visitor visit) {
  if (object.users_root || object.lists_mounts) {
    std::vector<KeyRecord> merged;
    if (object.hive) {
      LONG result = object.hive->ListSubKeys(object.id, &merged);
      if (result != ERROR_SUCCESS) return result;
    }
    for (const std::wstring& name : MountNames(object.users_root)) {
      KeyRecord record;
      record.name = name;
      merged.push_back(std::move(record));
    }
    std::stable_sort(merged.begin(), merged.end(), [](const KeyRecord& a, const KeyRecord& b) {
      return FoldName(a.name) < FoldName(b.name);
    });
    visit(merged);
    return ERROR_SUCCESS;
  }
  std::uint64_t stamp = object.hive->ChangeStamp();
  std::lock_guard<std::mutex> lock(object.cache_mutex);
  if (!object.keys_cached || object.keys_stamp != stamp) {
    LONG result = object.hive->ListSubKeys(object.id, &object.keys_cache);
    if (result != ERROR_SUCCESS) return result;
    if (object.keys_cache.empty() && !object.hive->KeyExists(object.id)) return ERROR_KEY_DELETED;
    object.keys_cached = true;
    object.keys_stamp = stamp;
  }
  visit(object.keys_cache);
  return ERROR_SUCCESS;
}

LONG ValueNames(KeyObject& object, std::wstring* name, DWORD index, bool* found) {
  *found = false;
  if (!object.hive) return ERROR_SUCCESS;
  std::uint64_t stamp = object.hive->ChangeStamp();
  std::lock_guard<std::mutex> lock(object.cache_mutex);
  if (!object.values_cached || object.values_stamp != stamp) {
    LONG result = object.hive->ListValueNames(object.id, &object.values_cache);
    if (result != ERROR_SUCCESS) return result;
    if (object.values_cache.empty() && !object.hive->KeyExists(object.id)) return ERROR_KEY_DELETED;
    object.values_cached = true;
    object.values_stamp = stamp;
  }
  if (index < object.values_cache.size()) {
    *name = object.values_cache[index];
    *found = true;
  }
  return ERROR_SUCCESS;
}

void ToFileTime(std::int64_t ticks, PFILETIME time) {
  if (time == nullptr) return;
  time->dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks));
  time->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
}

// Copies `text` and a terminator into `buffer` of *size characters; ERROR_MORE_DATA when it does
// not fit. *size becomes the length without terminator on success.
LONG CopyName(const std::wstring& text, LPWSTR buffer, LPDWORD size) {
  if (text.size() + 1 > *size) return ERROR_MORE_DATA;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  *size = static_cast<DWORD>(text.size());
  return ERROR_SUCCESS;
}

DWORD Utf16Length(const std::wstring& text) {
  DWORD units = 0;
  for (wchar_t c : text) units += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
  return units;
}

}  // namespace

// ---- internal interface ------------------------------------------------------------------------

LONG ResolveKey(HKEY key, KeyPtr* object) {
  int index = 0;
  if (IsPredefined(key, &index)) return RootObject(index, object);
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto found = state.handles.find(key);
  if (found == state.handles.end()) return ERROR_INVALID_HANDLE;
  *object = found->second;
  return ERROR_SUCCESS;
}

HKEY PublishKey(const KeyPtr& object) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  HKEY handle = reinterpret_cast<HKEY>(object.get());
  state.handles[handle] = object;
  return handle;
}

LONG HiveOfRoot(HKEY root, std::shared_ptr<Hive>* hive, KeyId* base) {
  KeyPtr object;
  int index = 0;
  if (!IsPredefined(root, &index) || root == HKEY_USERS) return ERROR_INVALID_HANDLE;
  LONG result = RootObject(index, &object);
  if (result != ERROR_SUCCESS) return result;
  *hive = object->hive;
  *base = object->id;
  return ERROR_SUCCESS;
}

LONG HiveOfPath(HKEY root, const std::vector<std::wstring>& levels, std::shared_ptr<Hive>* hive,
                std::vector<std::wstring>* hive_levels) {
  if ((root == HKEY_USERS || root == HKEY_LOCAL_MACHINE) && !levels.empty()) {
    std::wstring name;
    LONG result = FindMount(root == HKEY_USERS, levels[0], hive, &name);
    if (result == ERROR_SUCCESS) {
      hive_levels->assign(levels.begin() + 1, levels.end());
      return ERROR_SUCCESS;
    }
    if (root == HKEY_USERS) return result;
  }
  if (root == HKEY_USERS) return ERROR_ACCESS_DENIED;
  KeyId base = 0;
  LONG result = HiveOfRoot(root, hive, &base);
  if (result != ERROR_SUCCESS) return result;
  hive_levels->clear();
  if (root == HKEY_CLASSES_ROOT) {
    *hive_levels = {L"Software", L"Classes"};
  } else if (root == HKEY_CURRENT_CONFIG) {
    *hive_levels = {L"System", L"CurrentControlSet", L"Hardware Profiles", L"Current"};
  }
  hive_levels->insert(hive_levels->end(), levels.begin(), levels.end());
  return ERROR_SUCCESS;
}

LONG OpenKeyObject(const KeyPtr& base, const wchar_t* sub_key, DWORD desired, bool create,
                   const std::wstring& class_name, DWORD options, const std::vector<BYTE>& security,
                   KeyPtr* result, DWORD* disposition) {
  std::vector<std::wstring> levels;
  LONG status = SplitKeyPath(sub_key, &levels);
  if (status != ERROR_SUCCESS) return status;
  KeyPtr start = base;
  std::size_t first = 0;
  // Mounted hives below HKEY_USERS and HKEY_LOCAL_MACHINE.
  if ((base->users_root || base->lists_mounts) && !levels.empty()) {
    std::shared_ptr<Hive> hive;
    std::wstring name;
    status = FindMount(base->users_root, levels[0], &hive, &name);
    if (status == ERROR_SUCCESS) {
      MakeHiveRootObject(hive, kRootKeyId, base->root, base->path + L"\\" + name, &start);
      first = 1;
    } else if (base->users_root) {
      return create && status == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : status;
    }
  }
  if (start->users_root) {
    if (create && !levels.empty()) return ERROR_ACCESS_DENIED;
    auto made = std::make_shared<KeyObject>();
    made->users_root = true;
    made->root = start->root;
    made->path = start->path;
    status = DecideAccess(desired, KEY_READ, &made->granted);
    if (status != ERROR_SUCCESS) return status;
    if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
    *result = made;
    return ERROR_SUCCESS;
  }
  Hive* hive = start->hive.get();
  KeyRecord current;
  status = hive->GetKey(start->id, &current);
  if (status != ERROR_SUCCESS) return status;
  std::vector<BYTE> in_force = EffectiveSecurity(hive, start->id);
  std::wstring path = start->path;
  std::size_t level = first;
  for (; level < levels.size(); ++level) {
    KeyRecord child;
    status = hive->FindChild(current.id, levels[level], &child);
    if (status == ERROR_FILE_NOT_FOUND) break;
    if (status != ERROR_SUCCESS) return status;
    if (child.has_security) in_force = child.security;
    path += L"\\" + child.name;
    current = std::move(child);
  }
  bool created = false;
  if (level < levels.size()) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    // Creating below the deepest existing key needs the right to create sub-keys there.
    DWORD allowed = level == first ? start->granted : MaximumAllowed(hive, in_force);
    if ((allowed & KEY_CREATE_SUB_KEY) == 0 || hive->read_only()) return ERROR_ACCESS_DENIED;
    std::vector<std::wstring> missing(levels.begin() + static_cast<std::ptrdiff_t>(level), levels.end());
    KeyRecord made;
    status = hive->CreatePath(current.id, missing, class_name, (options & REG_OPTION_VOLATILE) != 0,
                              security, nullptr, nullptr, &made, &created);
    if (status != ERROR_SUCCESS) return status;
    for (const std::wstring& name : missing) path += L"\\" + name;
    if (made.has_security) in_force = made.security;
    current = std::move(made);
  }
  auto object = std::make_shared<KeyObject>();
  object->hive = start->hive;
  object->id = current.id;
  object->security = in_force;
  object->root = start->root;
  object->path = path;
  object->lists_mounts = start->lists_mounts && current.id == kRootKeyId;
  status = DecideAccess(desired, MaximumAllowed(hive, in_force), &object->granted);
  if (status != ERROR_SUCCESS) return status;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = object;
  return ERROR_SUCCESS;
}

}  // namespace reg

// ---- registry directory ------------------------------------------------------------------------

std::string RegistryDirectory() {
  reg::State& state = reg::GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.directory_known) {
    state.directory = reg::DirectoryFromEnvironment();
    state.directory_known = true;
  }
  return state.directory;
}

void ResetRegistryForTesting() {
  reg::DropAllWatches();
  reg::State& state = reg::GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.handles.clear();
  for (auto& root : state.roots) root.reset();
  for (auto& hive : state.hives) hive.reset();
  state.machine_mounts.clear();
  state.users_mounts.clear();
  state.directory_known = false;
}

std::vector<BYTE> MakeKeySecurityDescriptor(DWORD user_access) {
  std::string user = reg::CurrentUserSid();
  return reg::BuildDescriptor(user, {{user, user_access}});
}

namespace reg {

void AbandonHivesAfterFork() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  // Kept alive forever and never touched again.
  static auto* abandoned = new std::vector<std::shared_ptr<void>>();
  for (auto& hive : state.hives) {
    if (hive) abandoned->push_back(hive);
    hive.reset();
  }
  for (auto& root : state.roots) {
    if (root) abandoned->push_back(root);
    root.reset();
  }
  for (auto& handle : state.handles) abandoned->push_back(handle.second);
  state.handles.clear();
}

// Mount bookkeeping for RegLoadKeyW / RegUnLoadKeyW (registry_files.cpp).
LONG AddMount(bool users, const std::wstring& name, const std::shared_ptr<Hive>& hive, const std::string& file) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto& mounts = users ? state.users_mounts : state.machine_mounts;
  std::wstring folded = FoldName(name);
  for (const Mount& mount : mounts) {
    if (FoldName(mount.name) == folded) return ERROR_ALREADY_EXISTS;
  }
  mounts.push_back(Mount{name, hive, file});
  return ERROR_SUCCESS;
}

LONG RemoveMount(bool users, const std::wstring& name, std::shared_ptr<Hive>* hive, std::string* file) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto& mounts = users ? state.users_mounts : state.machine_mounts;
  std::wstring folded = FoldName(name);
  for (auto it = mounts.begin(); it != mounts.end(); ++it) {
    if (FoldName(it->name) != folded) continue;
    for (const auto& handle : state.handles) {
      if (handle.second->hive == it->hive) return ERROR_ACCESS_DENIED;
    }
    *hive = it->hive;
    *file = it->file;
    mounts.erase(it);
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb

using zb::platform::reg::KeyPtr;
using zb::platform::reg::ResolveKey;

// ---- opening, creating, closing ----------------------------------------------------------------

namespace {

// Opens or creates `sub_key` below `key` and hands out a new handle.
LONG OpenHandle(HKEY key, LPCWSTR sub_key, REGSAM desired, bool create, LPWSTR class_name, DWORD options,
                const std::vector<BYTE>& descriptor, PHKEY result, LPDWORD disposition) {
  *result = nullptr;
  KeyPtr base;
  LONG status = ResolveKey(key, &base);
  if (status != ERROR_SUCCESS) return status;
  KeyPtr opened;
  status = zb::platform::reg::OpenKeyObject(base, sub_key, desired, create,
                                           class_name != nullptr ? std::wstring(class_name) : std::wstring(), options,
                                           descriptor, &opened, disposition);
  if (status != ERROR_SUCCESS) return status;
  *result = zb::platform::reg::PublishKey(opened);
  return ERROR_SUCCESS;
}

// RegOpenKeyW and RegCreateKeyW with an empty name hand back the key's own handle.
LONG SameHandle(HKEY key, PHKEY result) {
  KeyPtr base;
  LONG status = ResolveKey(key, &base);
  if (status != ERROR_SUCCESS) return status;
  *result = key;
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD /*options*/, REGSAM sam_desired, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  return OpenHandle(key, sub_key, sam_desired, false, nullptr, 0, {}, result, nullptr);
}

LONG RegOpenKeyW(HKEY key, LPCWSTR sub_key, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  if (sub_key == nullptr || *sub_key == 0) return SameHandle(key, result);
  return RegOpenKeyExW(key, sub_key, 0, MAXIMUM_ALLOWED, result);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR class_name, DWORD options,
                     REGSAM sam_desired, const SECURITY_ATTRIBUTES* security, PHKEY result,
                     LPDWORD disposition) {
  if (result == nullptr || reserved != 0 || sub_key == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (options & ~(REG_OPTION_VOLATILE | REG_OPTION_BACKUP_RESTORE)) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> descriptor;
  if (security != nullptr && security->lpSecurityDescriptor != nullptr &&
      !zb::platform::reg::CaptureDescriptor(security->lpSecurityDescriptor, &descriptor)) {
    return ERROR_INVALID_SECURITY_DESCR;
  }
  return OpenHandle(key, sub_key, sam_desired, true, class_name, options, descriptor, result, disposition);
}

LONG RegCreateKeyW(HKEY key, LPCWSTR sub_key, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  if (sub_key == nullptr || *sub_key == 0) return SameHandle(key, result);
  return RegCreateKeyExW(key, sub_key, 0, nullptr, 0, MAXIMUM_ALLOWED, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  int index = 0;
  if (zb::platform::reg::IsPredefined(key, &index)) return ERROR_SUCCESS;
  KeyPtr object;
  {
    zb::platform::reg::State& state = zb::platform::reg::GetState();
    std::lock_guard<std::mutex> lock(state.mutex);
    auto found = state.handles.find(key);
    if (found == state.handles.end()) return ERROR_INVALID_HANDLE;
    object = found->second;
    state.handles.erase(found);
  }
  zb::platform::reg::DropWatchesOf(object.get());
  return ERROR_SUCCESS;
}

LONG RegConnectRegistryW(LPCWSTR machine_name, HKEY key, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  int index = 0;
  if (!zb::platform::reg::IsPredefined(key, &index) || key == HKEY_PERFORMANCE_DATA) return ERROR_INVALID_HANDLE;
  bool named = machine_name != nullptr && *machine_name != 0;
  if (named) {
    std::wstring machine(machine_name);
    while (!machine.empty() && (machine[0] == L'\\' || machine[0] == L'/')) machine.erase(0, 1);
    std::wstring folded = zb::platform::reg::FoldName(machine);
    wchar_t local[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    std::wstring local_name = GetComputerNameW(local, &size) ? std::wstring(local, size) : std::wstring();
    char host[256] = {0};
    std::wstring host_name;
    if (gethostname(host, sizeof(host) - 1) == 0) host_name = zb::platform::reg::FoldName(std::wstring(host, host + std::strlen(host)));
    bool is_local = folded == L"." || folded == L"LOCALHOST" || folded == L"127.0.0.1" ||
                    folded == L"::1" || (!local_name.empty() && folded == local_name) || folded == host_name;
    if (!is_local) return ERROR_BAD_NETPATH;
    if (key != HKEY_LOCAL_MACHINE && key != HKEY_USERS) return ERROR_INVALID_HANDLE;
  }
  KeyPtr root;
  LONG status = ResolveKey(key, &root);
  if (status != ERROR_SUCCESS) return status;
  *result = key;
  return ERROR_SUCCESS;
}

// ---- values ------------------------------------------------------------------------------------

LONG RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD data_size) {
  if (reserved != nullptr || (data != nullptr && data_size == nullptr)) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_QUERY_VALUE);
  if (status != ERROR_SUCCESS) return status;
  if (!object->hive) return ERROR_FILE_NOT_FOUND;
  static const std::wstring kDefault;
  return object->hive->QueryValue(object->id, value_name != nullptr ? std::wstring(value_name) : kDefault, type, data,
                                  data_size);
}

LONG RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD data_size) {
  if (data == nullptr && data_size != 0) return ERROR_NOACCESS;
  std::wstring name = value_name != nullptr ? std::wstring(value_name) : std::wstring();
  if (name.size() > zb::platform::reg::kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_SET_VALUE);
  if (status != ERROR_SUCCESS) return status;
  if (!object->hive) return ERROR_ACCESS_DENIED;
  return object->hive->SetValue(object->id, name, type, data, data_size);
}

LONG RegDeleteValueW(HKEY key, LPCWSTR value_name) {
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_SET_VALUE);
  if (status != ERROR_SUCCESS) return status;
  if (!object->hive) return ERROR_FILE_NOT_FOUND;
  return object->hive->DeleteValue(object->id, value_name != nullptr ? std::wstring(value_name) : std::wstring());
}

// ---- keys --------------------------------------------------------------------------------------

LONG RegDeleteKeyW(HKEY key, LPCWSTR sub_key) {
  if (sub_key == nullptr) return ERROR_INVALID_PARAMETER;
  KeyPtr base;
  LONG status = ResolveKey(key, &base);
  if (status != ERROR_SUCCESS) return status;
  KeyPtr target;
  status = zb::platform::reg::OpenKeyObject(base, sub_key, DELETE, false, std::wstring(), 0, {}, &target, nullptr);
  if (status != ERROR_SUCCESS) return status;
  if (!target->hive || target->id == zb::platform::reg::kRootKeyId) return ERROR_ACCESS_DENIED;
  int index = 0;
  if (*sub_key == 0 && zb::platform::reg::IsPredefined(key, &index)) return ERROR_ACCESS_DENIED;
  return target->hive->DeleteKey(target->id);
}

LONG RegDeleteTreeW(HKEY key, LPCWSTR sub_key) {
  KeyPtr base;
  LONG status = ResolveKey(key, &base);
  if (status != ERROR_SUCCESS) return status;
  KeyPtr target;
  status = zb::platform::reg::OpenKeyObject(base, sub_key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, false,
                                           std::wstring(), 0, {}, &target, nullptr);
  if (status != ERROR_SUCCESS) return status;
  if (!target->hive) return ERROR_ACCESS_DENIED;
  bool delete_self = sub_key != nullptr && *sub_key != 0;
  if (delete_self && target->id == zb::platform::reg::kRootKeyId) return ERROR_ACCESS_DENIED;
  return target->hive->DeleteTree(target->id, delete_self);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size, LPDWORD reserved,
                   LPWSTR class_name, LPDWORD class_size, PFILETIME last_write_time) {
  if (name == nullptr || name_size == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
  if (class_name != nullptr && class_size == nullptr) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_ENUMERATE_SUB_KEYS);
  if (status != ERROR_SUCCESS) return status;
  zb::platform::reg::KeyRecord record;
  bool found = false;
  status = zb::platform::reg::WithSubKeys(*object, [&](const std::vector<zb::platform::reg::KeyRecord>& keys) {
    if (index < keys.size()) {
      record = keys[index];
      found = true;
    }
  });
  if (status != ERROR_SUCCESS) return status;
  if (!found) return ERROR_NO_MORE_ITEMS;
  status = zb::platform::reg::CopyName(record.name, name, name_size);
  if (status != ERROR_SUCCESS) return status;
  if (class_name != nullptr) {
    status = zb::platform::reg::CopyName(record.class_name, class_name, class_size);
    if (status != ERROR_SUCCESS) return status;
  } else if (class_size != nullptr) {
    *class_size = static_cast<DWORD>(record.class_name.size());
  }
  zb::platform::reg::ToFileTime(record.last_write, last_write_time);
  return ERROR_SUCCESS;
}

LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD name_size) {
  DWORD size = name_size;
  return RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name, LPDWORD value_name_size, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD data_size) {
  if (value_name == nullptr || value_name_size == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
  if (data != nullptr && data_size == nullptr) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_QUERY_VALUE);
  if (status != ERROR_SUCCESS) return status;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::wstring name;
    bool found = false;
    status = zb::platform::reg::ValueNames(*object, &name, index, &found);
    if (status != ERROR_SUCCESS) return status;
    if (!found) return ERROR_NO_MORE_ITEMS;
    zb::platform::reg::ValueRecord value;
    status = object->hive->GetValue(object->id, name, &value);
    if (status == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile: list again
    if (status != ERROR_SUCCESS) return status;
    status = zb::platform::reg::CopyName(value.name, value_name, value_name_size);
    if (status != ERROR_SUCCESS) return status;
    if (type != nullptr) *type = value.type;
    DWORD size = static_cast<DWORD>(value.data.size());
    if (data == nullptr) {
      if (data_size != nullptr) *data_size = size;
      return ERROR_SUCCESS;
    }
    if (*data_size < size) {
      *data_size = size;
      return ERROR_MORE_DATA;
    }
    if (size > 0) std::memcpy(data, value.data.data(), size);
    *data_size = size;
    return ERROR_SUCCESS;
  }
  return ERROR_NO_MORE_ITEMS;
}

LONG RegQueryInfoKeyW(HKEY key, LPWSTR class_name, LPDWORD class_size, LPDWORD reserved, LPDWORD sub_keys,
                      LPDWORD max_sub_key_len, LPDWORD max_class_len, LPDWORD values,
                      LPDWORD max_value_name_len, LPDWORD max_value_len, LPDWORD security_descriptor_size,
                      PFILETIME last_write_time) {
  if (reserved != nullptr || (class_name != nullptr && class_size == nullptr)) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, KEY_QUERY_VALUE);
  if (status != ERROR_SUCCESS) return status;
  zb::platform::reg::KeyInfo info;
  if (object->hive) {
    status = object->hive->QueryInfo(object->id, &info);
    if (status != ERROR_SUCCESS) return status;
  }
  if (object->users_root || object->lists_mounts) {
    status = zb::platform::reg::WithSubKeys(*object, [&](const std::vector<zb::platform::reg::KeyRecord>& keys) {
      info.sub_keys = static_cast<DWORD>(keys.size());
      for (const auto& record : keys) {
        info.max_sub_key_len = std::max(info.max_sub_key_len, zb::platform::reg::Utf16Length(record.name));
      }
    });
    if (status != ERROR_SUCCESS) return status;
  }
  if (class_name != nullptr) {
    status = zb::platform::reg::CopyName(info.class_name, class_name, class_size);
    if (status != ERROR_SUCCESS) {
      *class_size = static_cast<DWORD>(info.class_name.size());
      return status;
    }
  } else if (class_size != nullptr) {
    *class_size = static_cast<DWORD>(info.class_name.size());
  }
  if (sub_keys != nullptr) *sub_keys = info.sub_keys;
  if (max_sub_key_len != nullptr) *max_sub_key_len = info.max_sub_key_len;
  if (max_class_len != nullptr) *max_class_len = info.max_class_len;
  if (values != nullptr) *values = info.values;
  if (max_value_name_len != nullptr) *max_value_name_len = info.max_value_name_len;
  if (max_value_len != nullptr) *max_value_len = info.max_value_len;
  if (security_descriptor_size != nullptr) {
    *security_descriptor_size =
        object->hive ? static_cast<DWORD>(zb::platform::reg::EffectiveSecurity(object->hive.get(), object->id).size()) : 0;
  }
  zb::platform::reg::ToFileTime(info.last_write, last_write_time);
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  return object->hive ? object->hive->Flush() : ERROR_SUCCESS;
}

// ---- security ----------------------------------------------------------------------------------

LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, LPDWORD size) {
  if (size == nullptr) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  status = zb::platform::reg::Need(*object, READ_CONTROL);
  if (status != ERROR_SUCCESS) return status;
  std::vector<BYTE> in_force = object->hive ? zb::platform::reg::EffectiveSecurity(object->hive.get(), object->id)
                                            : zb::platform::reg::DefaultSecurity(zb::platform::reg::CurrentUserSid());
  std::vector<BYTE> selected = zb::platform::reg::SelectDescriptor(in_force, information);
  if (descriptor == nullptr || *size < selected.size()) {
    *size = static_cast<DWORD>(selected.size());
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memcpy(descriptor, selected.data(), selected.size());
  *size = static_cast<DWORD>(selected.size());
  return ERROR_SUCCESS;
}

LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor) {
  if (descriptor == nullptr) return ERROR_INVALID_PARAMETER;
  KeyPtr object;
  LONG status = ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  DWORD needed = 0;
  if (information & (DACL_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION)) needed |= WRITE_DAC;
  if (information & OWNER_SECURITY_INFORMATION) needed |= WRITE_OWNER;
  status = zb::platform::reg::Need(*object, needed);
  if (status != ERROR_SUCCESS) return status;
  if (!object->hive) return ERROR_ACCESS_DENIED;
  std::vector<BYTE> update;
  if (!zb::platform::reg::CaptureDescriptor(descriptor, &update)) return ERROR_INVALID_SECURITY_DESCR;
  std::vector<BYTE> merged;
  std::vector<BYTE> in_force = zb::platform::reg::EffectiveSecurity(object->hive.get(), object->id);
  if (!zb::platform::reg::MergeDescriptor(in_force, update, information, &merged)) return ERROR_INVALID_SECURITY_DESCR;
  status = object->hive->SetSecurity(object->id, merged);
  if (status == ERROR_SUCCESS) object->security = merged;
  return status;
}

// ---- computer name -----------------------------------------------------------------------------

BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char host[256] = {0};
  if (gethostname(host, sizeof(host) - 1) != 0) {
    zb::platform::SetLastErrorFromErrno(errno);
    return FALSE;
  }
  std::wstring name;
  for (const char* p = host; *p != 0 && *p != '.'; ++p) {
    name += zb::internal::AsciiToUpper(static_cast<unsigned char>(*p));
  }
  if (name.size() > MAX_COMPUTERNAME_LENGTH) name.resize(MAX_COMPUTERNAME_LENGTH);
  if (buffer == nullptr || *size < name.size() + 1) {
    *size = static_cast<DWORD>(name.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::copy(name.begin(), name.end(), buffer);
  buffer[name.size()] = 0;
  *size = static_cast<DWORD>(name.size());
  return TRUE;
}
