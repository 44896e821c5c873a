// Case-insensitive lookup and listing in a large directory, each against its peer in the same run:
//  - opening 10,000 files by names whose case differs from the disk (CreateFileW + CloseHandle)
//    against opening the same files by their exact names; both in one directory of 100,000 files
//    (goal: mis-cased at most 3x exact);
//  - FindFirstFileW/FindNextFileW with a pattern over that directory against opendir/readdir with
//    fnmatch(FNM_CASEFOLD) of the same pattern (goal: at least 0.5x the peer's speed, that is at
//    most 2x its time). The listing also fills each match's attributes, size and times, which the
//    peer does not; a second peer adds an fstatat per match to show that share.
// Both caches of the listing are per directory and last while the directory is unchanged; the
// "after a change" pair adds and removes one file before every listing, so each listing reads the
// directory afresh (the figure for a directory that changes between listings).
// The directory lives in a scratch folder under $TMPDIR, removed at exit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zorbase/platform/file_system.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/path_mapping.h>

#include "bench_support.h"

namespace {

constexpr int kEntries = 100000;
constexpr int kOpened = 10000;
// Matches one name in ten (those whose number ends in 7).
constexpr char kNativePattern[] = "file_*7.dat";
constexpr wchar_t kWindowsPattern[] = L"FILE_*7.DAT";

struct Directory {
  std::string native;
  std::wstring windows;
  std::vector<std::wstring> exact;
  std::vector<std::wstring> miscased;
};

const Directory& TheDirectory() {
  static const Directory* directory = [] {
    auto* d = new Directory();
    d->native = zb::bench::ScratchDir("dirs") + "/big";
    mkdir(d->native.c_str(), 0700);
    char name[64];
    for (int i = 0; i < kEntries; ++i) {
      std::snprintf(name, sizeof(name), "/file_%06d.dat", i);
      const int fd = open((d->native + name).c_str(), O_CREAT | O_WRONLY, 0600);
      if (fd < 0) {
        std::perror("dirs_bench: cannot create the directory's files");
        std::exit(2);
      }
      close(fd);
    }
    d->windows = zb::platform::NativeToWindowsPath(d->native);
    for (int k = 0; k < kOpened; ++k) {
      const int i = (k * 7919) % kEntries;  // spread over the whole directory
      std::snprintf(name, sizeof(name), "\\file_%06d.dat", i);
      std::wstring exact = d->windows + std::wstring(name, name + std::strlen(name));
      std::snprintf(name, sizeof(name), "\\FILE_%06d.Dat", i);
      std::wstring miscased = d->windows + std::wstring(name, name + std::strlen(name));
      d->exact.push_back(exact);
      d->miscased.push_back(miscased);
    }
    return d;
  }();
  return *directory;
}

void OpenAll(benchmark::State& state, const std::vector<std::wstring>& names) {
  for (auto _ : state) {
    for (const std::wstring& name : names) {
      HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        state.SkipWithError("open failed");
        return;
      }
      CloseHandle(file);
    }
  }
}

void BM_OpenExactName(benchmark::State& state) { OpenAll(state, TheDirectory().exact); }
void BM_OpenMiscasedName(benchmark::State& state) { OpenAll(state, TheDirectory().miscased); }

// Adds and removes a file, so the directory's times move.
void ChangeDirectory() {
  const std::string name = TheDirectory().native + "/changing.tmp";
  close(open(name.c_str(), O_CREAT | O_WRONLY, 0600));
  unlink(name.c_str());
}

void ListWithPattern(benchmark::State& state, bool change) {
  const std::wstring pattern = TheDirectory().windows + L"\\" + kWindowsPattern;
  for (auto _ : state) {
    if (change) ChangeDirectory();
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
      do {
        ++count;
      } while (FindNextFileW(search, &data));
      FindClose(search);
    }
    if (count != kEntries / 10) state.SkipWithError("wrong count");
    benchmark::DoNotOptimize(count);
  }
}

void BM_FindFirstFileWithPattern(benchmark::State& state) { ListWithPattern(state, false); }
void BM_FindFirstFileAfterChange(benchmark::State& state) { ListWithPattern(state, true); }

int ListNative(const std::string& dir, bool with_stat) {
  DIR* d = opendir(dir.c_str());
  int count = 0;
  while (dirent* entry = readdir(d)) {
    if (fnmatch(kNativePattern, entry->d_name, FNM_CASEFOLD) != 0) continue;
    if (with_stat) {
      struct stat st;
      if (fstatat(dirfd(d), entry->d_name, &st, 0) != 0) continue;
    }
    ++count;
  }
  closedir(d);
  return count;
}

void BM_ReaddirFnmatch(benchmark::State& state) {
  for (auto _ : state) {
    const int count = ListNative(TheDirectory().native, false);
    if (count != kEntries / 10) state.SkipWithError("wrong count");
  }
}

void BM_ReaddirFnmatchStat(benchmark::State& state) {
  for (auto _ : state) {
    const int count = ListNative(TheDirectory().native, true);
    if (count != kEntries / 10) state.SkipWithError("wrong count");
  }
}

void BM_ReaddirFnmatchAfterChange(benchmark::State& state) {
  for (auto _ : state) {
    ChangeDirectory();
    const int count = ListNative(TheDirectory().native, false);
    if (count != kEntries / 10) state.SkipWithError("wrong count");
  }
}

BENCHMARK(BM_OpenExactName)->Apply(zb::bench::Repeated);
BENCHMARK(BM_OpenMiscasedName)->Apply(zb::bench::Repeated);
BENCHMARK(BM_FindFirstFileWithPattern)->Apply(zb::bench::Repeated);
BENCHMARK(BM_ReaddirFnmatch)->Apply(zb::bench::Repeated);
BENCHMARK(BM_ReaddirFnmatchStat)->Apply(zb::bench::Repeated);
BENCHMARK(BM_FindFirstFileAfterChange)->Apply(zb::bench::Repeated);
BENCHMARK(BM_ReaddirFnmatchAfterChange)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("10,000 mis-cased opens in 100,000 entries vs exact names",
                     "BM_OpenMiscasedName", "BM_OpenExactName", "goal <= 3x");
    r.PrintSpeedRatio("FindFirstFileW with a pattern vs readdir + fnmatch",
                      "BM_FindFirstFileWithPattern", "BM_ReaddirFnmatch", "goal >= 0.5x");
    r.PrintSpeedRatio("FindFirstFileW with a pattern vs readdir + fnmatch + fstatat",
                      "BM_FindFirstFileWithPattern", "BM_ReaddirFnmatchStat", "for reference");
    r.PrintSpeedRatio("FindFirstFileW with a pattern vs readdir + fnmatch, directory changed",
                      "BM_FindFirstFileAfterChange", "BM_ReaddirFnmatchAfterChange",
                      "for reference");
  });
}
