// The tagged file against its peers, in the same run:
//  - rewriting one small record in a 512 MiB tagged file of 1,000 records (open for writing, one
//    record written anew, close: the other 999 records are carried over from the backup, the new
//    file is flushed to the device, the backup deleted) against `cp` of the same file, and against
//    `cp` followed by an fsync of the copy (the same durability the rewrite gives);
//  - writing 1,000,000 small records (a named record holding a "DATA" record of 16 bytes) into a
//    new tagged file against write() of the same bytes in 256 KiB blocks.
// The big files live in a temporary directory (TMPDIR or /tmp) that is removed at the end. After
// the runs the ratios (tagged / peer) of the wall time and of the CPU time are printed; the CPU
// time is the process's user and system time together with that of its waited-for children (the
// `cp` processes), per iteration, in the counter cpu_ms.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/tagged/MFileTagged.h>

namespace {

constexpr int kBigRecords = 1000;
constexpr size_t kBigPayload = 512 * 1024 - 24;  // with its two headers each record is 512 KiB
constexpr int kSmallRecords = 1000000;
constexpr size_t kSmallPayload = 16;

std::string& WorkDir() {
  static std::string dir;
  return dir;
}

std::string Native(const char* name) { return WorkDir() + "/" + name; }

int64_t BigFileBytes() {
  return static_cast<int64_t>(std::filesystem::file_size(Native("big.zor")));
}

// User and system CPU time of this process and of its children that have been waited for, in ms.
double ProcessCpuMs() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    total += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  }
  return total;
}

// Measures the CPU time of the iterations run while it lives into the counter cpu_ms.
class CpuCounter {
 public:
  explicit CpuCounter(benchmark::State& state) : state_(state), start_(ProcessCpuMs()) {}
  ~CpuCounter() {
    if (state_.iterations() > 0) {
      state_.counters["cpu_ms"] =
          (ProcessCpuMs() - start_) / static_cast<double>(state_.iterations());
    }
  }

 private:
  benchmark::State& state_;
  double start_;
};
std::wstring Windows(const char* name) { return zb::platform::NativeToWindowsPath(Native(name)); }

bool WriteRecord(MFileTagged& file, const char* name, const char* payload, size_t size) {
  MTag record(name);
  MTag data("DATA");
  bool ok = file.WRITE_TAG_BEGIN(record) && data.WRITE(file);
  ok = file.WRITE(payload, size) == size && ok;
  return data.UPDATE_SKIP(file) && file.WRITE_TAG_END(record) && ok;
}

// The 512 MiB document: records R0 ... R998 of 512 KiB and one small record SMALL in the middle.
bool MakeBigDocument() {
  std::vector<char> payload(kBigPayload, 'x');
  MFileTagged file;
  if (!file.OPEN_WRITE(MFileName(Windows("big.zor").c_str()))) return false;
  bool ok = true;
  for (int i = 0; i < kBigRecords; ++i) {
    if (i == kBigRecords / 2) {
      ok = WriteRecord(file, "SMALL", "0123456789abcdef", kSmallPayload) && ok;
    } else {
      const std::string name = "R" + std::to_string(i);
      ok = WriteRecord(file, name.c_str(), payload.data(), payload.size()) && ok;
    }
  }
  if (!file.CLOSE() || !ok) return false;
  // Start the runs from a clean page cache: no run pays for writing back this file's data.
  const int fd = open(Native("big.zor").c_str(), O_RDONLY);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  return synced;
}

void BM_TaggedRewriteOneRecord(benchmark::State& state) {
  const MFileName name(Windows("big.zor").c_str());
  CpuCounter cpu(state);
  for (auto _ : state) {
    MFileTagged file;
    bool ok = file.OPEN_WRITE(name);
    ok = ok && WriteRecord(file, "SMALL", "fedcba9876543210", kSmallPayload);
    ok = file.CLOSE() && ok;
    if (!ok) state.SkipWithError("rewrite failed");
  }
  state.SetBytesProcessed(state.iterations() * BigFileBytes());
}

void Copy(benchmark::State& state, bool sync) {
  const std::string command = "cp '" + Native("big.zor") + "' '" + Native("copy.zor") + "'";
  CpuCounter cpu(state);
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    if (sync) {
      const int fd = open(Native("copy.zor").c_str(), O_RDONLY);
      if (fd < 0 || fsync(fd) != 0) state.SkipWithError("fsync failed");
      if (fd >= 0) close(fd);
    }
  }
  state.SetBytesProcessed(state.iterations() * BigFileBytes());
}

void BM_CpBigFile(benchmark::State& state) { Copy(state, false); }
void BM_CpBigFileAndFsync(benchmark::State& state) { Copy(state, true); }

void BM_TaggedWriteSmallRecords(benchmark::State& state) {
  const MFileName name(Windows("small.zor").c_str());
  const char payload[kSmallPayload + 1] = "0123456789abcdef";
  CpuCounter cpu(state);
  for (auto _ : state) {
    std::remove(Native("small.zor").c_str());
    MFileTagged file;
    bool ok = file.OPEN_WRITE(name);
    for (int i = 0; i < kSmallRecords && ok; ++i) {
      ok = WriteRecord(file, "REC", payload, kSmallPayload);
    }
    ok = file.CLOSE() && ok;
    if (!ok) state.SkipWithError("writing failed");
  }
  state.SetItemsProcessed(state.iterations() * kSmallRecords);
}

// The bytes the tagged file writes, prepared in memory and written with write() in 256 KiB blocks.
void BM_WriteSameBytes(benchmark::State& state) {
  std::string bytes("ZORCOM\x02\x01\0\0\0\0", 12);
  const std::string record =
      std::string("REC\0\0\0\x02\x01\x1C\0\0\0DATA\0\0\x02\x01\x10\0\0\0", 24) +
      "0123456789abcdef";
  bytes.reserve(12 + record.size() * kSmallRecords);
  for (int i = 0; i < kSmallRecords; ++i) bytes += record;
  CpuCounter cpu(state);
  for (auto _ : state) {
    const int fd = open(Native("raw.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
      const size_t chunk = std::min<size_t>(256 * 1024, bytes.size() - done);
      const ssize_t n = write(fd, bytes.data() + done, chunk);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (fd >= 0) close(fd);
    if (done != bytes.size()) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * kSmallRecords);
}

BENCHMARK(BM_TaggedRewriteOneRecord)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpBigFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpBigFileAndFsync)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_TaggedWriteSmallRecords)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints as the console reporter does and keeps each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      auto cpu = run.counters.find("cpu_ms");
      if (cpu != run.counters.end()) cpu_[run.benchmark_name()] = cpu->second;
    }
  }
  // Prints the wall-time ratio with the goal, then the CPU-time ratio.
  void PrintRatio(const char* what, const char* mine, const char* peer, const char* goal) const {
    auto a = times_.find(mine), b = times_.find(peer);
    if (a == times_.end() || b == times_.end() || b->second <= 0) return;
    std::printf("%-60s %6.2fx%s\n", what, a->second / b->second, goal);
    auto c = cpu_.find(mine), d = cpu_.find(peer);
    if (c == cpu_.end() || d == cpu_.end() || d->second <= 0) return;
    std::printf("%-60s %6.2fx   (CPU %.0f ms / %.0f ms)\n", "  the same in CPU time",
                c->second / d->second, c->second, d->second);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zorbase-tagged-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  WorkDir() = pattern;
  benchmark::Initialize(&argc, argv);
  int result = 0;
  if (!MakeBigDocument()) {
    std::fprintf(stderr, "cannot write the 512 MiB document in %s\n", pattern.c_str());
    result = 1;
  } else {
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (tagged / peer; lower is faster):\n");
    reporter.PrintRatio("rewrite one record of 512 MiB / cp",
                        "BM_TaggedRewriteOneRecord/iterations:5/real_time",
                        "BM_CpBigFile/iterations:5/real_time", "   (goal <= 1.3x)");
    reporter.PrintRatio("rewrite one record of 512 MiB / cp + fsync of the copy",
                        "BM_TaggedRewriteOneRecord/iterations:5/real_time",
                        "BM_CpBigFileAndFsync/iterations:5/real_time", "");
    reporter.PrintRatio("1,000,000 small records / write() of the same bytes",
                        "BM_TaggedWriteSmallRecords/real_time", "BM_WriteSameBytes/real_time",
                        "   (goal: speed >= 0.5x, i.e. time <= 2x)");
  }
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
  return result;
}
