// Internal: the objects behind registry handles, shared by the registry call implementations
// (registry_api.cpp), change notification (registry_notify.cpp), the machine description
// (registry_machine.cpp) and the .reg import and export (registry_files.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/platform/portable/registry_store.h>
#include <zorbase/platform/registry.h>

namespace zb {
namespace platform {
namespace reg {

// What an open key handle refers to. A handle of HKEY_USERS itself has no hive: its sub-keys are
// the hives mounted there.
struct KeyObject {
  std::shared_ptr<Hive> hive;      // null for the HKEY_USERS root
  KeyId id = 0;
  DWORD granted = 0;               // rights this handle was opened with
  std::vector<BYTE> security;      // descriptor in force at the key (own or inherited)
  HKEY root = nullptr;             // predefined root the path starts at
  std::wstring path;               // full path, e.g. HKEY_CURRENT_USER\Software\Acme
  bool users_root = false;         // the HKEY_USERS root itself
  bool lists_mounts = false;       // HKEY_LOCAL_MACHINE's root key: mounted hives appear below it
  bool predefined = false;         // one of the predefined roots (never really closed)

  // Enumeration caches, valid while the hive's change stamp is unchanged.
  std::mutex cache_mutex;
  std::uint64_t keys_stamp = 0;
  bool keys_cached = false;
  std::vector<KeyRecord> keys_cache;
  std::uint64_t values_stamp = 0;
  bool values_cached = false;
  std::vector<std::wstring> values_cache;
};

using KeyPtr = std::shared_ptr<KeyObject>;

// The key object of a handle (predefined roots included); ERROR_INVALID_HANDLE for anything else.
LONG ResolveKey(HKEY key, KeyPtr* object);

// Opens (or with `create`, creates) `sub_key` below `base` with `desired` access.
LONG OpenKeyObject(const KeyPtr& base, const wchar_t* sub_key, DWORD desired, bool create,
                   const std::wstring& class_name, DWORD options, const std::vector<BYTE>& security,
                   KeyPtr* result, DWORD* disposition);

// Registers `object` as a live handle and returns it as an HKEY.
HKEY PublishKey(const KeyPtr& object);

// The hive that holds `root`'s keys, its root key id below which `root` starts (HKEY_CLASSES_ROOT
// is the machine's Software\Classes), opened when first needed. Not for HKEY_USERS.
LONG HiveOfRoot(HKEY root, std::shared_ptr<Hive>* hive, KeyId* base);

// Path levels below a root as the store sees them: a path below HKEY_USERS or a mount point of
// HKEY_LOCAL_MACHINE selects the mounted hive.
LONG HiveOfPath(HKEY root, const std::vector<std::wstring>& levels, std::shared_ptr<Hive>* hive,
                std::vector<std::wstring>* hive_levels);

// In a child process after fork(): forgets the parent's hive connections without closing them (a
// connection must not be used or closed across fork) so the child opens its own.
void AbandonHivesAfterFork();

// Change notification (registry_notify.cpp).
void OnHiveChange(Hive* hive, const std::vector<KeyId>& chain, DWORD kind);
LONG AddWatch(const KeyPtr& key, bool subtree, DWORD filter, HANDLE event);
void DropWatchesOf(const KeyObject* key);
void DropAllWatches();

// Fills the machine hive's description of this machine (registry_machine.cpp).
void DescribeMachine(Hive* machine);

// Native path of a file named by a Windows path ("C:\x.reg", "Z:\tmp\x.reg") or a native one.
std::string NativeFilePath(const std::wstring& path);

// Reads a whole file (files are written through WriteFileDurably, durable_file.h).
LONG ReadWholeFile(const std::string& path, std::string* bytes);

}  // namespace reg
}  // namespace platform
}  // namespace zb
