// Internal: the SQLite hive (registry_store.h).
#include <zorbase/platform/portable/registry_store.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <utility>

#include <zorbase/platform/codepage.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/win_errors.h>

namespace zb {
namespace platform {
namespace reg {

namespace {

constexpr int kBusyTimeoutMs = 30000;
constexpr const char* kFormatName = "zorbase-registry";
constexpr int kFormatVersion = 1;
// Sub-trees deeper than this are refused by import and export (Windows allows 512 levels).
constexpr int kMaxTreeDepth = static_cast<int>(kMaxKeyDepth);

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  class TEXT NOT NULL DEFAULT '',"
    "  last_write INTEGER NOT NULL,"
    "  volatile INTEGER NOT NULL DEFAULT 0,"
    "  security BLOB);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, folded);"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  name TEXT NOT NULL,"
    "  seq INTEGER NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  written INTEGER NOT NULL,"
    "  PRIMARY KEY(key, folded)) WITHOUT ROWID;";

// The prepared statements, by index.
enum StatementId : int {
  kBegin,
  kCommit,
  kRollback,
  kFindChild,
  kGetKey,
  kParentOf,
  kInsertKey,
  kTouchKey,
  kSetValue,
  kGetValue,
  kDeleteValue,
  kHasChildren,
  kDeleteKeyRow,
  kDeleteKeyValues,
  kDeleteSubtreeValues,
  kDeleteSubtreeKeys,
  kListChildren,
  kListValueNames,
  kListValues,
  kInfoKeys,
  kInfoValues,
  kSetSecurity,
  kDataVersion,
  kStatementCount
};

const char* const kStatementSql[kStatementCount] = {
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id, name, class, last_write, volatile, security FROM keys WHERE parent=?1 AND folded=?2",
    "SELECT parent, name, class, last_write, volatile, security FROM keys WHERE id=?1",
    "SELECT parent FROM keys WHERE id=?1",
    "INSERT INTO keys(parent, name, folded, class, last_write, volatile, security) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
    "UPDATE keys SET last_write=?2 WHERE id=?1",
    "INSERT INTO vals(key, folded, name, seq, type, data, written) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7) "
    "ON CONFLICT(key, folded) DO UPDATE SET type=excluded.type, data=excluded.data, written=excluded.written",
    "SELECT name, type, data FROM vals WHERE key=?1 AND folded=?2",
    "DELETE FROM vals WHERE key=?1 AND folded=?2",
    "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1",
    "DELETE FROM keys WHERE id=?1",
    "DELETE FROM vals WHERE key=?1",
    "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent=?1 "
    "UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent=sub.id) "
    "DELETE FROM vals WHERE key IN (SELECT id FROM sub)",
    "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent=?1 "
    "UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent=sub.id) "
    "DELETE FROM keys WHERE id IN (SELECT id FROM sub)",
    "SELECT id, name, class, max(last_write, coalesce((SELECT max(written) FROM vals WHERE key=keys.id), 0)), "
    "volatile FROM keys WHERE parent=?1 ORDER BY folded",
    "SELECT name FROM vals WHERE key=?1 ORDER BY seq",
    "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq",
    "SELECT count(*), max(length(name)), max(length(class)) FROM keys WHERE parent=?1",
    "SELECT count(*), max(length(name)), max(length(data)), max(written) FROM vals WHERE key=?1",
    "UPDATE keys SET security=?2 WHERE id=?1",
    "PRAGMA data_version",
};

// Resets a statement and clears its bindings when the scope ends, whatever path leaves it.
class StatementScope {
 public:
  explicit StatementScope(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementScope() {
    if (statement_ != nullptr) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  StatementScope(const StatementScope&) = delete;
  StatementScope& operator=(const StatementScope&) = delete;

 private:
  sqlite3_stmt* statement_;
};

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::wstring ColumnText(sqlite3_stmt* statement, int column) {
  return FromUtf8(sqlite3_column_text(statement, column), sqlite3_column_bytes(statement, column));
}

std::vector<BYTE> ColumnBlob(sqlite3_stmt* statement, int column) {
  const void* blob = sqlite3_column_blob(statement, column);
  int size = sqlite3_column_bytes(statement, column);
  if (blob == nullptr || size <= 0) return {};
  const BYTE* bytes = static_cast<const BYTE*>(blob);
  return std::vector<BYTE>(bytes, bytes + size);
}

std::string BootId() {
  std::ifstream in("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(in, id);
  return id;
}

bool IsNetworkFileSystem(const std::string& path) {
  std::string directory = path;
  std::size_t slash = directory.rfind('/');
  directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : directory.substr(0, slash));
  struct statfs info;
  if (statfs(directory.c_str(), &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x564C:      // NCP
    case 0x73757245:  // Coda
    case 0x47504653:  // GPFS
    case 0x5346414F:  // AFS
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- names -------------------------------------------------------------------------------------

std::int64_t FileTimeNow() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  constexpr std::int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970 in 100 ns
  return kEpochDifference + static_cast<std::int64_t>(now.tv_sec) * 10000000LL + now.tv_nsec / 100;
}

// ---- opening -----------------------------------------------------------------------------------

std::unique_ptr<Hive> Hive::OpenFile(const std::string& path, DWORD* error) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) {
      *error = ERROR_ACCESS_DENIED;
      return nullptr;
    }
    if (access(path.c_str(), R_OK) != 0) {
      *error = ErrorFromErrno(errno, ErrnoContext::kRegistryHive);
      return nullptr;
    }
  } else if (errno != ENOENT) {
    *error = ErrorFromErrno(errno, ErrnoContext::kRegistryHive);
    return nullptr;
  }
  std::unique_ptr<Hive> hive(new Hive());
  hive->path_ = path;
  int rc = sqlite3_open_v2(path.c_str(), &hive->db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *error = (rc & 0xFF) == SQLITE_CANTOPEN ? ERROR_ACCESS_DENIED : ERROR_REGISTRY_IO_FAILED;
    return nullptr;
  }
  hive->read_only_ = sqlite3_db_readonly(hive->db_, "main") == 1;
  if (stat(path.c_str(), &info) == 0) {
    hive->owner_sid_ = "S-1-22-1-" + std::to_string(info.st_uid);
  } else {
    hive->owner_sid_ = "S-1-22-1-" + std::to_string(getuid());
  }
  if (!hive->read_only_) {
    const char* mode = IsNetworkFileSystem(path) ? "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;"
                                                 : "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;";
    sqlite3_busy_handler(hive->db_, &Hive::BusyHandler, hive.get());
    rc = sqlite3_exec(hive->db_, mode, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      *error = hive->Error(rc);
      return nullptr;
    }
  }
  *error = hive->Init(error);
  if (*error != ERROR_SUCCESS) return nullptr;
  return hive;
}

std::unique_ptr<Hive> Hive::OpenMemory(DWORD* error) {
  std::unique_ptr<Hive> hive(new Hive());
  int rc = sqlite3_open_v2(":memory:", &hive->db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  hive->owner_sid_ = "S-1-22-1-" + std::to_string(getuid());
  *error = hive->Init(error);
  if (*error != ERROR_SUCCESS) return nullptr;
  return hive;
}

int Hive::BusyHandler(void* context, int count) {
  // Other writers hold the hive only for one short transaction: retry soon and often, backing off
  // from 20 microseconds to 2 milliseconds, and give up after the busy timeout.
  Hive* hive = static_cast<Hive*>(context);
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::int64_t now_us = static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
  if (count == 0) hive->busy_since_us_ = now_us;
  if (now_us - hive->busy_since_us_ > static_cast<std::int64_t>(kBusyTimeoutMs) * 1000) return 0;
  int delay = count < 100 ? 20 * (1 + count / 10) : 2000;
  usleep(static_cast<useconds_t>(delay));
  return 1;
}

LONG Hive::Init(DWORD* /*unused*/) {
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_handler(db_, &Hive::BusyHandler, this);
  statements_.assign(kStatementCount, nullptr);
  // Is this one of ours, a new file, or something else?
  sqlite3_stmt* probe = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT count(*), sum(name='meta') FROM sqlite_master WHERE type='table'",
                              -1, &probe, nullptr);
  if (rc != SQLITE_OK) return Error(rc);
  rc = sqlite3_step(probe);
  if (rc != SQLITE_ROW) {
    sqlite3_finalize(probe);
    return Error(rc);
  }
  int tables = sqlite3_column_int(probe, 0);
  bool has_meta = sqlite3_column_int(probe, 1) > 0;
  sqlite3_finalize(probe);
  if (tables > 0 && !has_meta) return ERROR_NOT_REGISTRY_FILE;
  if (!has_meta) {
    if (read_only_) return ERROR_ACCESS_DENIED;
    rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Error(rc);
    rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
      std::string seed =
          "INSERT OR IGNORE INTO meta(name, value) VALUES('format', '" + std::string(kFormatName) +
          "'), ('version', " + std::to_string(kFormatVersion) + "), ('boot', '" + BootId() + "');"
          "INSERT OR IGNORE INTO keys(id, parent, name, folded, class, last_write) VALUES(1, 0, '', '', '', " +
          std::to_string(FileTimeNow()) + ");";
      rc = sqlite3_exec(db_, seed.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      return Error(rc);
    }
    rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Error(rc);
  }
  // Check the format and version.
  rc = sqlite3_prepare_v2(db_, "SELECT (SELECT value FROM meta WHERE name='format'), "
                               "(SELECT value FROM meta WHERE name='version'), "
                               "(SELECT count(*) FROM keys WHERE id=1)",
                          -1, &probe, nullptr);
  if (rc != SQLITE_OK) return rc == SQLITE_ERROR ? ERROR_NOT_REGISTRY_FILE : Error(rc);
  rc = sqlite3_step(probe);
  bool ok = false;
  if (rc == SQLITE_ROW) {
    const unsigned char* format = sqlite3_column_text(probe, 0);
    ok = format != nullptr && std::strcmp(reinterpret_cast<const char*>(format), kFormatName) == 0 &&
         sqlite3_column_int(probe, 1) == kFormatVersion && sqlite3_column_int(probe, 2) == 1;
  }
  sqlite3_finalize(probe);
  if (rc != SQLITE_ROW) return Error(rc);
  if (!ok) return ERROR_NOT_REGISTRY_FILE;
  for (int i = 0; i < kStatementCount; ++i) {
    rc = sqlite3_prepare_v3(db_, kStatementSql[i], -1, SQLITE_PREPARE_PERSISTENT, &statements_[i], nullptr);
    if (rc != SQLITE_OK) return rc == SQLITE_ERROR ? ERROR_NOT_REGISTRY_FILE : Error(rc);
  }
  if (!read_only_) ClearStaleVolatileKeys();
  return ERROR_SUCCESS;
}

Hive::~Hive() {
  for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

sqlite3_stmt* Hive::Prepare(int which) { return statements_[which]; }

LONG Hive::Error(int sqlite_code) {
  switch (sqlite_code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return ERROR_SUCCESS;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_CANTOPEN:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

LONG Hive::Begin() {
  sqlite3_stmt* statement = Prepare(kBegin);
  StatementScope scope(statement);
  int rc = sqlite3_step(statement);
  pending_.clear();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Error(rc);
}

LONG Hive::Commit() {
  sqlite3_stmt* statement = Prepare(kCommit);
  StatementScope scope(statement);
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) {
    Rollback();
    return Error(rc);
  }
  ++local_changes_;
  return ERROR_SUCCESS;
}

void Hive::Rollback() {
  if (sqlite3_get_autocommit(db_)) {
    pending_.clear();
    return;
  }
  sqlite3_stmt* statement = Prepare(kRollback);
  StatementScope scope(statement);
  sqlite3_step(statement);
  pending_.clear();
}

void Hive::Notify(KeyId key, DWORD kind) {
  // The chain is taken now: a key about to be deleted still has its ancestry.
  if (watched_ && listener_ != nullptr) pending_.emplace_back(AncestryLocked(key), kind);
}

void Hive::ClearStaleVolatileKeys() {
  std::string boot = BootId();
  if (boot.empty()) return;
  sqlite3_stmt* probe = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT value FROM meta WHERE name='boot'", -1, &probe, nullptr) != SQLITE_OK) return;
  std::string stored;
  if (sqlite3_step(probe) == SQLITE_ROW && sqlite3_column_text(probe, 0) != nullptr) {
    stored = reinterpret_cast<const char*>(sqlite3_column_text(probe, 0));
  }
  sqlite3_finalize(probe);
  if (stored == boot) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (Begin() != ERROR_SUCCESS) return;
  // Volatile keys of an earlier boot vanish with their subtrees (all their sub-keys are volatile).
  std::vector<KeyId> stale;
  if (sqlite3_prepare_v2(db_, "SELECT id FROM keys WHERE volatile=1 AND parent IN "
                              "(SELECT id FROM keys WHERE volatile=0)", -1, &probe, nullptr) == SQLITE_OK) {
    while (sqlite3_step(probe) == SQLITE_ROW) stale.push_back(sqlite3_column_int64(probe, 0));
    sqlite3_finalize(probe);
  }
  for (KeyId id : stale) {
    if (DeleteTreeLocked(id, true) != ERROR_SUCCESS) {
      Rollback();
      return;
    }
  }
  std::string update = "INSERT OR REPLACE INTO meta(name, value) VALUES('boot', '" + boot + "')";
  if (sqlite3_exec(db_, update.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    Rollback();
    return;
  }
  Commit();
}

// ---- lookups -----------------------------------------------------------------------------------

LONG Hive::FindChildLocked(KeyId parent, const std::string& folded, KeyRecord* child) {
  sqlite3_stmt* statement = Prepare(kFindChild);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, parent);
  BindText(statement, 2, folded);
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Error(rc);
  child->id = sqlite3_column_int64(statement, 0);
  child->parent = parent;
  child->name = ColumnText(statement, 1);
  child->class_name = ColumnText(statement, 2);
  child->last_write = sqlite3_column_int64(statement, 3);
  child->is_volatile = sqlite3_column_int(statement, 4) != 0;
  child->has_security = sqlite3_column_type(statement, 5) != SQLITE_NULL;
  child->security = child->has_security ? ColumnBlob(statement, 5) : std::vector<BYTE>();
  return ERROR_SUCCESS;
}

LONG Hive::FindChild(KeyId parent, const std::wstring& name, KeyRecord* child) {
  std::lock_guard<std::mutex> lock(mutex_);
  return FindChildLocked(parent, ToUtf8(FoldName(name)), child);
}

LONG Hive::GetKeyLocked(KeyId id, KeyRecord* key) {
  sqlite3_stmt* statement = Prepare(kGetKey);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, id);
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Error(rc);
  key->id = id;
  key->parent = sqlite3_column_int64(statement, 0);
  key->name = ColumnText(statement, 1);
  key->class_name = ColumnText(statement, 2);
  key->last_write = sqlite3_column_int64(statement, 3);
  key->is_volatile = sqlite3_column_int(statement, 4) != 0;
  key->has_security = sqlite3_column_type(statement, 5) != SQLITE_NULL;
  key->security = key->has_security ? ColumnBlob(statement, 5) : std::vector<BYTE>();
  return ERROR_SUCCESS;
}

LONG Hive::GetKey(KeyId id, KeyRecord* key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return GetKeyLocked(id, key);
}

bool Hive::KeyExists(KeyId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_stmt* statement = Prepare(kParentOf);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, id);
  return sqlite3_step(statement) == SQLITE_ROW;
}

std::vector<KeyId> Hive::AncestryLocked(KeyId id) {
  std::vector<KeyId> chain;
  while (id != 0 && chain.size() <= kMaxKeyDepth + 1) {
    sqlite3_stmt* statement = Prepare(kParentOf);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, id);
    if (sqlite3_step(statement) != SQLITE_ROW) break;
    chain.push_back(id);
    id = sqlite3_column_int64(statement, 0);
  }
  return chain;
}

std::vector<KeyId> Hive::Ancestry(KeyId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return AncestryLocked(id);
}

// ---- changes -----------------------------------------------------------------------------------

LONG Hive::TouchKey(KeyId id, std::int64_t now) {
  sqlite3_stmt* statement = Prepare(kTouchKey);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, id);
  sqlite3_bind_int64(statement, 2, now);
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) return Error(rc);
  return sqlite3_changes(db_) > 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG Hive::InsertKeyLocked(KeyId parent, const std::wstring& name, const std::string& folded,
                           const std::wstring& class_name, bool is_volatile, const std::vector<BYTE>& security,
                           std::int64_t now, KeyId* id) {
  sqlite3_stmt* statement = Prepare(kInsertKey);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, parent);
  BindText(statement, 2, ToUtf8(name));
  BindText(statement, 3, folded);
  BindText(statement, 4, ToUtf8(class_name));
  sqlite3_bind_int64(statement, 5, now);
  sqlite3_bind_int(statement, 6, is_volatile ? 1 : 0);
  if (security.empty()) {
    sqlite3_bind_null(statement, 7);
  } else {
    sqlite3_bind_blob(statement, 7, security.data(), static_cast<int>(security.size()), SQLITE_TRANSIENT);
  }
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) return Error(rc);
  *id = sqlite3_last_insert_rowid(db_);
  return ERROR_SUCCESS;
}

LONG Hive::KeyAliveLocked(KeyId id) {
  sqlite3_stmt* statement = Prepare(kParentOf);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, id);
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) return ERROR_SUCCESS;
  return rc == SQLITE_DONE ? ERROR_KEY_DELETED : Error(rc);
}

LONG Hive::UpsertValueLocked(KeyId key, const std::wstring& name, DWORD type, const BYTE* data, std::size_t size,
                             std::int64_t now) {
  // A value keeps the position of its first write: `seq` is only taken by an insert. Times of
  // this process never repeat, so values written in one go keep their order.
  std::int64_t seq = now > last_seq_ ? now : last_seq_ + 1;
  last_seq_ = seq;
  sqlite3_stmt* statement = Prepare(kSetValue);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, key);
  BindText(statement, 2, ToUtf8(FoldName(name)));
  BindText(statement, 3, ToUtf8(name));
  sqlite3_bind_int64(statement, 4, seq);
  sqlite3_bind_int64(statement, 5, type);
  static const BYTE kEmpty = 0;
  sqlite3_bind_blob(statement, 6, size == 0 ? &kEmpty : data, static_cast<int>(size), SQLITE_STATIC);
  sqlite3_bind_int64(statement, 7, now);
  int rc = sqlite3_step(statement);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Error(rc);
}

LONG Hive::DeleteTreeLocked(KeyId key, bool delete_self) {
  const int statements[] = {kDeleteSubtreeValues, kDeleteSubtreeKeys};
  for (int which : statements) {
    sqlite3_stmt* statement = Prepare(which);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) return Error(rc);
  }
  sqlite3_stmt* statement = Prepare(kDeleteKeyValues);
  {
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) return Error(rc);
  }
  if (delete_self) {
    statement = Prepare(kDeleteKeyRow);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) return Error(rc);
  }
  return ERROR_SUCCESS;
}

LONG Hive::ImportTreeLocked(KeyId key, const TreeKey& tree, bool is_volatile, std::int64_t now) {
  for (const TreeValue& value : tree.values) {
    LONG result = UpsertValueLocked(key, value.name, value.type, value.data.data(), value.data.size(), now);
    if (result != ERROR_SUCCESS) return result;
  }
  for (const TreeKey& child : tree.children) {
    std::vector<std::wstring> levels;
    LONG result = SplitKeyPath(child.name.c_str(), &levels);
    if (result != ERROR_SUCCESS) return result;
    if (levels.size() != 1) return ERROR_INVALID_PARAMETER;
    std::string folded = ToUtf8(FoldName(child.name));
    KeyRecord existing;
    result = FindChildLocked(key, folded, &existing);
    KeyId child_id = 0;
    if (result == ERROR_SUCCESS) {
      child_id = existing.id;
    } else if (result == ERROR_FILE_NOT_FOUND) {
      result = InsertKeyLocked(key, child.name, folded, child.class_name, is_volatile, {}, now, &child_id);
      if (result != ERROR_SUCCESS) return result;
    } else {
      return result;
    }
    result = ImportTreeLocked(child_id, child, is_volatile, now);
    if (result != ERROR_SUCCESS) return result;
  }
  return ERROR_SUCCESS;
}

template <typename Work>
LONG Hive::Change(Work work) {
  std::vector<std::pair<std::vector<KeyId>, DWORD>> changes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (read_only_) return ERROR_ACCESS_DENIED;
    LONG result = Begin();
    if (result != ERROR_SUCCESS) return result;
    result = work();
    if (result != ERROR_SUCCESS) {
      Rollback();
      return result;
    }
    result = Commit();
    if (result != ERROR_SUCCESS) return result;
    changes.swap(pending_);
  }
  // Delivered with the hive unlocked, so a listener may call back into it.
  if (listener_ != nullptr) {
    for (const auto& change : changes) listener_(this, change.first, change.second);
  }
  return ERROR_SUCCESS;
}

LONG Hive::DeleteValueLocked(KeyId key, const std::wstring& name, std::int64_t now, bool* deleted) {
  sqlite3_stmt* statement = Prepare(kDeleteValue);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, key);
  BindText(statement, 2, ToUtf8(FoldName(name)));
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) return Error(rc);
  *deleted = sqlite3_changes(db_) > 0;
  if (!*deleted) return ERROR_SUCCESS;
  Notify(key, kChangeLastSet);
  return TouchKey(key, now);
}

LONG Hive::CreatePath(KeyId parent, const std::vector<std::wstring>& levels,
                      const std::wstring& class_name, bool is_volatile,
                      const std::vector<BYTE>& security, CreateCheck can_create, void* context,
                      KeyRecord* key, bool* created) {
  *created = false;
  KeyRecord current;
  {
    // Most creates open existing keys: try without a write transaction first.
    std::lock_guard<std::mutex> lock(mutex_);
    LONG result = GetKeyLocked(parent, &current);
    if (result != ERROR_SUCCESS) return result;
    std::size_t level = 0;
    for (; level < levels.size(); ++level) {
      KeyRecord child;
      result = FindChildLocked(current.id, ToUtf8(FoldName(levels[level])), &child);
      if (result == ERROR_FILE_NOT_FOUND) break;
      if (result != ERROR_SUCCESS) return result;
      current = std::move(child);
    }
    if (level == levels.size()) {
      *key = std::move(current);
      return ERROR_SUCCESS;
    }
  }
  bool made = false;
  LONG result = Change([&]() -> LONG {
    // Another process may have created levels meanwhile: walk again inside the transaction.
    LONG status = GetKeyLocked(parent, &current);
    std::int64_t now = FileTimeNow();
    for (std::size_t level = 0; status == ERROR_SUCCESS && level < levels.size(); ++level) {
      std::string folded = ToUtf8(FoldName(levels[level]));
      KeyRecord child;
      status = FindChildLocked(current.id, folded, &child);
      if (status == ERROR_FILE_NOT_FOUND) {
        if (can_create != nullptr && (status = can_create(context, current)) != ERROR_SUCCESS) break;
        if (current.is_volatile && !is_volatile) return ERROR_CHILD_MUST_BE_VOLATILE;
        status = InsertKeyLocked(current.id, levels[level], folded, class_name, is_volatile, security, now, &child.id);
        if (status == ERROR_SUCCESS) status = TouchKey(current.id, now);
        if (status != ERROR_SUCCESS) break;
        Notify(current.id, kChangeName);
        child.parent = current.id;
        child.name = levels[level];
        child.class_name = class_name;
        child.last_write = now;
        child.is_volatile = is_volatile;
        child.has_security = !security.empty();
        child.security = security;
        made = true;
      }
      if (status == ERROR_SUCCESS) current = std::move(child);
    }
    return status;
  });
  if (result != ERROR_SUCCESS) return result;
  *created = made;
  *key = std::move(current);
  return ERROR_SUCCESS;
}

LONG Hive::SetValue(KeyId key, const std::wstring& name, DWORD type, const BYTE* data, std::size_t size) {
  if (size > 0x7FFFFFFF) return ERROR_NOT_ENOUGH_MEMORY;
  return Change([&]() -> LONG {
    // The key's row is only read: its last write time is the latest of its own and its values'.
    LONG status = KeyAliveLocked(key);
    if (status == ERROR_SUCCESS) status = UpsertValueLocked(key, name, type, data, size, FileTimeNow());
    if (status == ERROR_SUCCESS) Notify(key, kChangeLastSet);
    return status;
  });
}

LONG Hive::DeleteValue(KeyId key, const std::wstring& name) {
  return Change([&]() -> LONG {
    LONG status = KeyAliveLocked(key);
    bool deleted = false;
    if (status == ERROR_SUCCESS) status = DeleteValueLocked(key, name, FileTimeNow(), &deleted);
    if (status == ERROR_SUCCESS && !deleted) status = ERROR_FILE_NOT_FOUND;
    return status;
  });
}

LONG Hive::DeleteKey(KeyId key) {
  if (key == kRootKeyId) return ERROR_ACCESS_DENIED;
  return Change([&]() -> LONG {
    KeyRecord record;
    LONG status = GetKeyLocked(key, &record);
    if (status != ERROR_SUCCESS) return status;
    sqlite3_stmt* statement = Prepare(kHasChildren);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) return ERROR_ACCESS_DENIED;  // sub-keys must go first
    if (rc != SQLITE_DONE) return Error(rc);
    // The chains are taken while the key still exists.
    Notify(record.parent, kChangeName);
    Notify(key, kChangeName);
    status = DeleteTreeLocked(key, true);
    return status == ERROR_SUCCESS ? TouchKey(record.parent, FileTimeNow()) : status;
  });
}

LONG Hive::DeleteTree(KeyId key, bool delete_self) {
  if (delete_self && key == kRootKeyId) return ERROR_ACCESS_DENIED;
  return Change([&]() -> LONG {
    KeyRecord record;
    LONG status = GetKeyLocked(key, &record);
    if (status != ERROR_SUCCESS) return status;
    Notify(delete_self ? record.parent : key, kChangeName);
    if (!delete_self) Notify(key, kChangeLastSet);
    status = DeleteTreeLocked(key, delete_self);
    return status == ERROR_SUCCESS ? TouchKey(delete_self ? record.parent : key, FileTimeNow()) : status;
  });
}

LONG Hive::SetSecurity(KeyId key, const std::vector<BYTE>& security) {
  return Change([&]() -> LONG {
    sqlite3_stmt* statement = Prepare(kSetSecurity);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    sqlite3_bind_blob(statement, 2, security.data(), static_cast<int>(security.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) return Error(rc);
    if (sqlite3_changes(db_) == 0) return ERROR_KEY_DELETED;
    Notify(key, kChangeSecurity);
    return ERROR_SUCCESS;
  });
}

LONG Hive::ReplaceTree(KeyId key, const TreeKey& tree) {
  return Change([&]() -> LONG {
    KeyRecord record;
    LONG status = GetKeyLocked(key, &record);
    if (status != ERROR_SUCCESS) return status;
    Notify(key, kChangeName | kChangeLastSet);
    std::int64_t now = FileTimeNow();
    status = DeleteTreeLocked(key, false);
    if (status == ERROR_SUCCESS) status = ImportTreeLocked(key, tree, record.is_volatile, now);
    return status == ERROR_SUCCESS ? TouchKey(key, now) : status;
  });
}

LONG Hive::Apply(const std::vector<Edit>& edits) {
  return Change([&]() -> LONG {
    std::int64_t now = FileTimeNow();
    for (const Edit& edit : edits) {
      // Find (or, for writes, create) the key of the edit; deletions of what is missing do nothing.
      bool removal = edit.kind == Edit::Kind::kDeleteTree || edit.kind == Edit::Kind::kDeleteValue;
      KeyRecord current;
      LONG status = GetKeyLocked(kRootKeyId, &current);
      bool missing = false;
      for (std::size_t level = 0; status == ERROR_SUCCESS && !missing && level < edit.levels.size(); ++level) {
        std::string folded = ToUtf8(FoldName(edit.levels[level]));
        KeyRecord child;
        status = FindChildLocked(current.id, folded, &child);
        if (status == ERROR_FILE_NOT_FOUND && removal) {
          missing = true;
          status = ERROR_SUCCESS;
        } else if (status == ERROR_FILE_NOT_FOUND) {
          if (current.is_volatile) return ERROR_CHILD_MUST_BE_VOLATILE;
          status = InsertKeyLocked(current.id, edit.levels[level], folded, std::wstring(), false, {}, now, &child.id);
          if (status == ERROR_SUCCESS) status = TouchKey(current.id, now);
          Notify(current.id, kChangeName);
          child.parent = current.id;
          child.name = edit.levels[level];
          current = std::move(child);
        } else if (status == ERROR_SUCCESS) {
          current = std::move(child);
        }
      }
      if (status != ERROR_SUCCESS) return status;
      if (missing) continue;
      switch (edit.kind) {
        case Edit::Kind::kCreateKey:
          break;
        case Edit::Kind::kDeleteTree:
          if (current.id == kRootKeyId) return ERROR_ACCESS_DENIED;
          Notify(current.parent, kChangeName);
          status = DeleteTreeLocked(current.id, true);
          if (status == ERROR_SUCCESS) status = TouchKey(current.parent, now);
          break;
        case Edit::Kind::kSetValue:
          status = UpsertValueLocked(current.id, edit.value_name, edit.type, edit.data.data(), edit.data.size(), now);
          Notify(current.id, kChangeLastSet);
          break;
        case Edit::Kind::kDeleteValue: {
          bool deleted = false;
          status = DeleteValueLocked(current.id, edit.value_name, now, &deleted);
          break;
        }
      }
      if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
  });
}

// ---- reads -------------------------------------------------------------------------------------

LONG Hive::GetValue(KeyId key, const std::wstring& name, ValueRecord* value) {
  std::lock_guard<std::mutex> lock(mutex_);
  return ReadValueLocked(key, name, [value](sqlite3_stmt* statement) {
    value->name = ColumnText(statement, 0);
    value->type = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
    value->data = ColumnBlob(statement, 2);
  });
}

LONG Hive::QueryValue(KeyId key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
  std::lock_guard<std::mutex> lock(mutex_);
  LONG copied = ERROR_SUCCESS;
  LONG result = ReadValueLocked(key, name, [&](sqlite3_stmt* statement) {
    if (type != nullptr) *type = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
    const void* blob = sqlite3_column_blob(statement, 2);
    DWORD length = static_cast<DWORD>(sqlite3_column_bytes(statement, 2));
    if (data == nullptr) {
      if (size != nullptr) *size = length;
      return;
    }
    if (*size < length) {
      *size = length;
      copied = ERROR_MORE_DATA;
      return;
    }
    if (length > 0) std::memcpy(data, blob, length);
    *size = length;
  });
  return result != ERROR_SUCCESS ? result : copied;
}

template <typename Reader>
LONG Hive::ReadValueLocked(KeyId key, const std::wstring& name, Reader reader) {
  sqlite3_stmt* statement = Prepare(kGetValue);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, key);
  FoldToUtf8(name, &folded_buffer_);
  sqlite3_bind_text(statement, 2, folded_buffer_.data(), static_cast<int>(folded_buffer_.size()), SQLITE_STATIC);
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) {
    reader(statement);
    return ERROR_SUCCESS;
  }
  if (rc != SQLITE_DONE) return Error(rc);
  sqlite3_reset(statement);
  // Tell a missing value from a deleted key.
  LONG alive = KeyAliveLocked(key);
  return alive == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : alive;
}

LONG Hive::ListSubKeys(KeyId key, std::vector<KeyRecord>* keys) {
  std::lock_guard<std::mutex> lock(mutex_);
  keys->clear();
  sqlite3_stmt* statement = Prepare(kListChildren);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, key);
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    KeyRecord record;
    record.id = sqlite3_column_int64(statement, 0);
    record.parent = key;
    record.name = ColumnText(statement, 1);
    record.class_name = ColumnText(statement, 2);
    record.last_write = sqlite3_column_int64(statement, 3);
    record.is_volatile = sqlite3_column_int(statement, 4) != 0;
    keys->push_back(std::move(record));
  }
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Error(rc);
}

LONG Hive::ListValueNames(KeyId key, std::vector<std::wstring>* names) {
  std::lock_guard<std::mutex> lock(mutex_);
  names->clear();
  sqlite3_stmt* statement = Prepare(kListValueNames);
  StatementScope scope(statement);
  sqlite3_bind_int64(statement, 1, key);
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) names->push_back(ColumnText(statement, 0));
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Error(rc);
}

LONG Hive::QueryInfo(KeyId key, KeyInfo* info) {
  std::lock_guard<std::mutex> lock(mutex_);
  KeyRecord record;
  LONG result = GetKeyLocked(key, &record);
  if (result != ERROR_SUCCESS) return result;
  info->class_name = record.class_name;
  info->last_write = record.last_write;
  {
    sqlite3_stmt* statement = Prepare(kInfoKeys);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW) return Error(rc);
    info->sub_keys = static_cast<DWORD>(sqlite3_column_int64(statement, 0));
    info->max_sub_key_len = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
    info->max_class_len = static_cast<DWORD>(sqlite3_column_int64(statement, 2));
  }
  {
    sqlite3_stmt* statement = Prepare(kInfoValues);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW) return Error(rc);
    info->values = static_cast<DWORD>(sqlite3_column_int64(statement, 0));
    info->max_value_name_len = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
    info->max_value_len = static_cast<DWORD>(sqlite3_column_int64(statement, 2));
    info->last_write = std::max(info->last_write, static_cast<std::int64_t>(sqlite3_column_int64(statement, 3)));
  }
  return ERROR_SUCCESS;
}

LONG Hive::ExportTreeLocked(KeyId key, TreeKey* tree, int depth) {
  if (depth > kMaxTreeDepth) return ERROR_REGISTRY_CORRUPT;
  {
    sqlite3_stmt* statement = Prepare(kListValues);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      TreeValue value;
      value.name = ColumnText(statement, 0);
      value.type = static_cast<DWORD>(sqlite3_column_int64(statement, 1));
      value.data = ColumnBlob(statement, 2);
      tree->values.push_back(std::move(value));
    }
    if (rc != SQLITE_DONE) return Error(rc);
  }
  std::vector<std::pair<KeyId, TreeKey>> children;
  {
    sqlite3_stmt* statement = Prepare(kListChildren);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      TreeKey child;
      child.name = ColumnText(statement, 1);
      child.class_name = ColumnText(statement, 2);
      children.emplace_back(sqlite3_column_int64(statement, 0), std::move(child));
    }
    if (rc != SQLITE_DONE) return Error(rc);
  }
  for (auto& child : children) {
    LONG result = ExportTreeLocked(child.first, &child.second, depth + 1);
    if (result != ERROR_SUCCESS) return result;
    tree->children.push_back(std::move(child.second));
  }
  return ERROR_SUCCESS;
}

LONG Hive::ExportTree(KeyId key, TreeKey* tree) {
  std::lock_guard<std::mutex> lock(mutex_);
  KeyRecord record;
  // One read transaction, so the tree is one consistent snapshot.
  if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return ERROR_REGISTRY_IO_FAILED;
  LONG result = GetKeyLocked(key, &record);
  if (result == ERROR_SUCCESS) {
    *tree = TreeKey();
    tree->name = record.name;
    tree->class_name = record.class_name;
    result = ExportTreeLocked(key, tree, 0);
  }
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  return result;
}

std::uint64_t Hive::ChangeStamp() {
  std::lock_guard<std::mutex> lock(mutex_);
  sqlite3_stmt* statement = Prepare(kDataVersion);
  StatementScope scope(statement);
  std::uint64_t version = 0;
  if (sqlite3_step(statement) == SQLITE_ROW) version = static_cast<std::uint64_t>(sqlite3_column_int64(statement, 0));
  return (version << 32) + local_changes_;
}

LONG Hive::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (read_only_ || path_.empty()) return ERROR_SUCCESS;
  int rc = sqlite3_wal_checkpoint_v2(db_, "main", SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
  if (rc != SQLITE_OK && (rc & 0xFF) != SQLITE_BUSY) return Error(rc);
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ERROR_REGISTRY_IO_FAILED;
  int synced = fsync(fd);
  close(fd);
  return synced == 0 ? ERROR_SUCCESS : ERROR_REGISTRY_IO_FAILED;
}

}  // namespace reg
}  // namespace platform
}  // namespace zb
