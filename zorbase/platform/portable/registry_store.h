// Internal: one registry hive kept in an SQLite database, and the name rules every hive shares.
//
// Layout (docs/registry.md has the whole description):
//   meta(name PRIMARY KEY, value)               "format" = "zorbase-registry", "version" = 1, "boot"
//   keys(id, parent, name, folded, class, last_write, volatile, security)
//        UNIQUE(parent, folded); the hive's root key has id 1 and parent 0
//   vals(key, folded, name, seq, type, data, written) PRIMARY KEY(key, folded), WITHOUT ROWID
// `folded` is the upper-case form of `name`; it carries the unique index so names compare without
// regard to case while `name` keeps the first spelling. `seq` orders values by first write. A
// key's last write time is the latest of its own `last_write` (changes of the key and its sub-keys
// and value deletions) and its values' `written`, so writing a value changes one row only.
//
// A Hive serialises its own use with a mutex: every public member locks it, so one Hive may be
// used from several threads. Processes share a hive file through SQLite's locking: each change is
// one BEGIN IMMEDIATE transaction, waiting up to the busy timeout for other writers.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <zorbase/platform/registry.h>
#include <zorbase/platform/win_types.h>

namespace zb {
namespace platform {
namespace reg {

using KeyId = std::int64_t;
constexpr KeyId kRootKeyId = 1;

// Longest key name (one level) and value name, in characters, as Windows allows.
constexpr std::size_t kMaxKeyNameLength = 255;
// ERROR_BAD_PATHNAME: a key path with an empty level or a leading backslash.
constexpr DWORD kErrorBadPathname = 161;
constexpr std::size_t kMaxValueNameLength = 16383;
// Deepest key path Windows allows below a root.
constexpr std::size_t kMaxKeyDepth = 512;

// The upper-case form used to compare names (simple Unicode case mapping, independent of the
// process locale).
std::wstring FoldName(const std::wstring& name);
// UTF-8 for SQLite text that keeps every UTF-16 unit, lone surrogates included
// (registry_names.cpp), and back.
std::string ToUtf8(const std::wstring& text);
// FoldName and ToUtf8 in one pass, into a buffer the caller keeps.
void FoldToUtf8(const std::wstring& name, std::string* out);
std::wstring FromUtf8(const unsigned char* text, int bytes);

// Value data in Windows form: REG_SZ data is the UTF-16LE text with its terminator, REG_DWORD
// data the value's four bytes, least significant first.
std::vector<BYTE> SzData(const std::wstring& text);
std::vector<BYTE> DwordData(DWORD value);

// Splits a key path at backslashes. A trailing backslash is ignored. Fails with
// ERROR_BAD_PATHNAME (161) for a leading backslash or an empty level, ERROR_INVALID_PARAMETER for
// a level longer than kMaxKeyNameLength or a path deeper than kMaxKeyDepth.
LONG SplitKeyPath(const wchar_t* path, std::vector<std::wstring>* levels);

// Current time as a FILETIME count of 100 ns since 1601-01-01.
std::int64_t FileTimeNow();

struct KeyRecord {
  KeyId id = 0;
  KeyId parent = 0;
  std::wstring name;
  std::wstring class_name;
  std::int64_t last_write = 0;
  bool is_volatile = false;
  bool has_security = false;
  std::vector<BYTE> security;  // self-relative descriptor when has_security
};

struct ValueRecord {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct KeyInfo {
  DWORD sub_keys = 0;
  DWORD max_sub_key_len = 0;
  DWORD max_class_len = 0;
  DWORD values = 0;
  DWORD max_value_name_len = 0;
  DWORD max_value_len = 0;
  std::wstring class_name;
  std::int64_t last_write = 0;
};

// Kinds of change reported to the change listener (bits as REG_NOTIFY_CHANGE_*).
constexpr DWORD kChangeName = 0x1;
constexpr DWORD kChangeAttributes = 0x2;
constexpr DWORD kChangeLastSet = 0x4;
constexpr DWORD kChangeSecurity = 0x8;

// A subtree in memory: what the .reg reader produces and writer consumes, and what a hive imports
// and exports.
struct TreeValue {
  std::wstring name;  // empty: the default value
  DWORD type = 0;
  std::vector<BYTE> data;
};
struct TreeKey {
  std::wstring name;
  std::wstring class_name;
  std::vector<TreeValue> values;
  std::vector<TreeKey> children;
};

// One edit of a batch (imports of .reg files). `levels` is the key path below the hive's root.
struct Edit {
  enum class Kind { kCreateKey, kDeleteTree, kSetValue, kDeleteValue };
  Kind kind = Kind::kCreateKey;
  std::vector<std::wstring> levels;
  std::wstring value_name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

class Hive {
 public:
  enum class Kind { kFile, kMemory };

  // Opens (creating if needed) the hive file at `path`. On failure returns null and sets *error:
  // ERROR_ACCESS_DENIED (unreadable file or directory), ERROR_REGISTRY_CORRUPT (damaged file),
  // ERROR_NOT_REGISTRY_FILE (an SQLite file of something else or a newer format),
  // ERROR_REGISTRY_IO_FAILED (other I/O failures).
  static std::unique_ptr<Hive> OpenFile(const std::string& path, DWORD* error);
  // A hive that lives in memory (loaded .reg files, fuzzing).
  static std::unique_ptr<Hive> OpenMemory(DWORD* error);

  ~Hive();
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  const std::string& path() const { return path_; }
  // True when the hive file cannot be written (file or directory permissions, read-only mount).
  bool read_only() const { return read_only_; }
  // The SID text of the hive file's owner ("S-1-22-1-<uid>").
  const std::string& owner_sid() const { return owner_sid_; }

  // Called after each committed change with the changed key's ancestry (key first, root last)
  // and the kind of change. Set once, before use.
  using ChangeListener = void (*)(Hive* hive, const std::vector<KeyId>& chain, DWORD kind);
  void set_change_listener(ChangeListener listener) { listener_ = listener; }
  // True if the listener wants to hear of changes (someone is watching this hive).
  void set_watched(bool watched) { watched_ = watched; }

  // ---- lookups ---------------------------------------------------------------------------------
  // The child `name` of `parent`; ERROR_FILE_NOT_FOUND when absent.
  LONG FindChild(KeyId parent, const std::wstring& name, KeyRecord* child);
  // The key record `id`; ERROR_KEY_DELETED when it no longer exists.
  LONG GetKey(KeyId id, KeyRecord* key);
  // Whether key `id` still exists.
  bool KeyExists(KeyId id);
  // Ancestry of `id`: the key itself first, the root last. Empty when the key does not exist.
  std::vector<KeyId> Ancestry(KeyId id);

  // ---- changes (each one transaction) ----------------------------------------------------------
  // Opens or creates `levels` below `parent`; returns the deepest record in *key and whether it
  // was created. New keys get `class_name`, `is_volatile` and, if not empty, `security`.
  // `can_create(parent record)` is asked before a level is created below an existing key and may
  // refuse with an error code.
  using CreateCheck = LONG (*)(void* context, const KeyRecord& parent);
  LONG CreatePath(KeyId parent, const std::vector<std::wstring>& levels,
                  const std::wstring& class_name, bool is_volatile,
                  const std::vector<BYTE>& security, CreateCheck can_create, void* context,
                  KeyRecord* key, bool* created);
  LONG SetValue(KeyId key, const std::wstring& name, DWORD type, const BYTE* data, std::size_t size);
  LONG DeleteValue(KeyId key, const std::wstring& name);
  // Deletes one key that has no sub-keys (ERROR_ACCESS_DENIED if it has some; the root is refused).
  LONG DeleteKey(KeyId key);
  // Deletes the key's values and sub-keys; with `delete_self` the key too.
  LONG DeleteTree(KeyId key, bool delete_self);
  LONG SetSecurity(KeyId key, const std::vector<BYTE>& security);
  // Replaces the key's values and sub-keys by `tree`'s (the key's own name and class stay).
  LONG ReplaceTree(KeyId key, const TreeKey& tree);
  // Applies a batch of edits below the hive's root in one transaction: all or nothing.
  LONG Apply(const std::vector<Edit>& edits);

  // ---- reads -----------------------------------------------------------------------------------
  LONG GetValue(KeyId key, const std::wstring& name, ValueRecord* value);
  // RegQueryValueExW's contract on the value's bytes: with `data` null only type and size; a short
  // buffer gives ERROR_MORE_DATA and the size needed. Copies straight from the database row.
  LONG QueryValue(KeyId key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size);
  // Names of the sub-keys in enumeration order (by folded name).
  LONG ListSubKeys(KeyId key, std::vector<KeyRecord>* keys);
  // Names of the values in enumeration order (order of first write).
  LONG ListValueNames(KeyId key, std::vector<std::wstring>* names);
  LONG QueryInfo(KeyId key, KeyInfo* info);
  // The key and its subtree as a tree (the tree's name is the key's).
  LONG ExportTree(KeyId key, TreeKey* tree);

  // A number that changes whenever the hive's content may have changed (this process's writes and
  // other connections' commits), so callers can keep caches of enumerations.
  std::uint64_t ChangeStamp();

  // Checkpoints the write-ahead log into the database and syncs it to disk.
  LONG Flush();

 private:
  Hive() = default;
  LONG Init(DWORD* error);
  sqlite3_stmt* Prepare(int which);
  LONG Begin();
  LONG Commit();
  void Rollback();
  LONG Error(int sqlite_code);
  LONG FindChildLocked(KeyId parent, const std::string& folded, KeyRecord* child);
  LONG GetKeyLocked(KeyId id, KeyRecord* key);
  std::vector<KeyId> AncestryLocked(KeyId id);
  LONG TouchKey(KeyId id, std::int64_t now);
  LONG KeyAliveLocked(KeyId id);
  // Runs `work` (which returns a system code) in one write transaction with the hive locked, and
  // hands the changes it noted to the listener after the commit, with the hive unlocked.
  template <typename Work>
  LONG Change(Work work);
  LONG DeleteValueLocked(KeyId key, const std::wstring& name, std::int64_t now, bool* deleted);
  LONG InsertKeyLocked(KeyId parent, const std::wstring& name, const std::string& folded,
                       const std::wstring& class_name, bool is_volatile, const std::vector<BYTE>& security,
                       std::int64_t now, KeyId* id);
  template <typename Reader>
  LONG ReadValueLocked(KeyId key, const std::wstring& name, Reader reader);
  LONG UpsertValueLocked(KeyId key, const std::wstring& name, DWORD type, const BYTE* data, std::size_t size,
                         std::int64_t now);
  LONG DeleteTreeLocked(KeyId key, bool delete_self);
  LONG ImportTreeLocked(KeyId key, const TreeKey& tree, bool is_volatile, std::int64_t now);
  LONG ExportTreeLocked(KeyId key, TreeKey* tree, int depth);
  void Notify(KeyId key, DWORD kind);
  void ClearStaleVolatileKeys();
  static int BusyHandler(void* context, int count);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
  std::string path_;
  std::string owner_sid_;
  bool read_only_ = false;
  std::atomic<bool> watched_{false};
  ChangeListener listener_ = nullptr;
  std::uint64_t local_changes_ = 0;
  std::int64_t busy_since_us_ = 0;
  std::int64_t last_seq_ = 0;
  std::string folded_buffer_;  // folded name of the value being read (reused)
  // Changes of the open transaction (ancestry chain and kind), delivered after it commits.
  std::vector<std::pair<std::vector<KeyId>, DWORD>> pending_;
};

}  // namespace reg
}  // namespace platform
}  // namespace zb
