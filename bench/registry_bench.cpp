// RegSetValueExW and RegQueryValueExW on one open key against plain SQLite INSERT and SELECT on an
// equivalent table (same file system, same journal and sync settings), in the same run. Prints the
// ratio of each registry call's rate to its peer's (goal: at least 0.7), median and spread of the
// repetitions, wall and CPU.
#include "bench_support.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <zorbase/platform/registry.h>

namespace {

constexpr int kNames = 1000;

const std::string& Directory() { return zb::bench::ScratchDir("registry"); }

std::vector<std::wstring> WideNames() {
  std::vector<std::wstring> names;
  for (int i = 0; i < kNames; ++i) names.push_back(L"Value" + std::to_wstring(i));
  return names;
}

std::vector<std::string> NarrowNames() {
  std::vector<std::string> names;
  for (int i = 0; i < kNames; ++i) names.push_back("VALUE" + std::to_string(i));
  return names;
}

HKEY BenchKey() {
  static HKEY key = [] {
    HKEY made = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\ZorBaseBench\\Values", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &made, nullptr);
    return made;
  }();
  return key;
}

// The peer: one table shaped like the store's values, autocommit statements, WAL, NORMAL sync.
struct Peer {
  sqlite3* db = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* select = nullptr;
  Peer() {
    sqlite3_open((Directory() + "/peer.db").c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL,"
                 " data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)", -1, &insert,
                       nullptr);
    sqlite3_prepare_v2(db, "SELECT type, data FROM vals WHERE key=?1 AND name=?2", -1, &select, nullptr);
  }
};

Peer& GetPeer() {
  static Peer peer;
  return peer;
}

void BM_RegSetValueExW(benchmark::State& state) {
  HKEY key = BenchKey();
  std::vector<std::wstring> names = WideNames();
  DWORD value = 0;
  int i = 0;
  for (auto _ : state) {
    ++value;
    LONG status = RegSetValueExW(key, names[i].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    if (status != ERROR_SUCCESS) state.SkipWithError("RegSetValueExW failed");
    if (++i == kNames) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegSetValueExW)->Apply(zb::bench::Repeated)->Unit(benchmark::kMicrosecond);

void BM_SqliteInsert(benchmark::State& state) {
  Peer& peer = GetPeer();
  std::vector<std::string> names = NarrowNames();
  DWORD value = 0;
  int i = 0;
  for (auto _ : state) {
    ++value;
    sqlite3_bind_int64(peer.insert, 1, 2);
    sqlite3_bind_text(peer.insert, 2, names[i].data(), static_cast<int>(names[i].size()), SQLITE_STATIC);
    sqlite3_bind_int(peer.insert, 3, REG_DWORD);
    sqlite3_bind_blob(peer.insert, 4, &value, 4, SQLITE_STATIC);
    if (sqlite3_step(peer.insert) != SQLITE_DONE) state.SkipWithError("INSERT failed");
    sqlite3_reset(peer.insert);
    if (++i == kNames) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SqliteInsert)->Apply(zb::bench::Repeated)->Unit(benchmark::kMicrosecond);

void BM_RegQueryValueExW(benchmark::State& state) {
  HKEY key = BenchKey();
  std::vector<std::wstring> names = WideNames();
  int i = 0;
  for (auto _ : state) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExW(key, names[i].c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status != ERROR_SUCCESS) state.SkipWithError("RegQueryValueExW failed");
    benchmark::DoNotOptimize(value);
    if (++i == kNames) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegQueryValueExW)->Apply(zb::bench::Repeated)->Unit(benchmark::kMicrosecond);

void BM_SqliteSelect(benchmark::State& state) {
  Peer& peer = GetPeer();
  std::vector<std::string> names = NarrowNames();
  int i = 0;
  for (auto _ : state) {
    sqlite3_bind_int64(peer.select, 1, 2);
    sqlite3_bind_text(peer.select, 2, names[i].data(), static_cast<int>(names[i].size()), SQLITE_STATIC);
    if (sqlite3_step(peer.select) != SQLITE_ROW) state.SkipWithError("SELECT found nothing");
    DWORD value = 0;
    const void* blob = sqlite3_column_blob(peer.select, 1);
    if (blob != nullptr && sqlite3_column_bytes(peer.select, 1) == 4) value = *static_cast<const DWORD*>(blob);
    benchmark::DoNotOptimize(value);
    sqlite3_reset(peer.select);
    if (++i == kNames) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SqliteSelect)->Apply(zb::bench::Repeated)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("ZORBASE_REGISTRY_DIR", Directory().c_str(), 1);
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintSpeedRatio("RegSetValueExW / SQLite INSERT (rate)", "BM_RegSetValueExW", "BM_SqliteInsert",
                      "goal >= 0.7");
    r.PrintSpeedRatio("RegQueryValueExW / SQLite SELECT (rate)", "BM_RegQueryValueExW",
                      "BM_SqliteSelect", "goal >= 0.7");
  });
}
