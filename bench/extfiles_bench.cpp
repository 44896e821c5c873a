// MFileEx and MFileMemory against their peers, in the same run, on 64 MiB of 4-byte elements:
//  - MFileEx: one WRITE call per element (and, for scale, one call per 64 KiB array) into a new
//    file, closed at the end, against write() of the same bytes in 256 KiB chunks; reading back
//    the same way against read() in 256 KiB chunks;
//  - MFileMemory: one WRITE call per element and one per 64 KiB array into a block of the final
//    size, and element writes into a block that grows from 16 bytes, against memcpy of the same
//    bytes into a buffer of the final size in 256 KiB chunks.
// The files live in a private directory under the temporary directory, removed at the end. After
// the runs the ratios (peer time / our time, so 1.0 is the peer's speed) are printed.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <zorbase/files/MFileEx.h>
#include <zorbase/files/MFileMemory.h>
#include <zorbase/platform/path_mapping.h>

namespace {

constexpr std::size_t kTotalBytes = 64u << 20;
constexpr std::size_t kElements = kTotalBytes / 4;
constexpr std::size_t kChunkBytes = 256u << 10;
constexpr std::size_t kArrayElements = 16384;  // 64 KiB per call

struct Paths {
  std::string native_dir;
  std::string raw;
  std::wstring ex;
};

const Paths& Files() {
  static const Paths paths = [] {
    Paths p;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") +
                          "/extfiles_bench.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    p.native_dir = pattern;
    p.raw = pattern + "/raw.bin";
    p.ex = zb::platform::NativeToWindowsPath(pattern + "/ex.bin");
    return p;
  }();
  return paths;
}

const std::vector<std::int32_t>& Elements() {
  static const std::vector<std::int32_t> values = [] {
    std::vector<std::int32_t> v(kElements);
    for (std::size_t i = 0; i < kElements; ++i) v[i] = static_cast<std::int32_t>(i * 2654435761u);
    return v;
  }();
  return values;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(kTotalBytes));
}

// ---- files -------------------------------------------------------------------------------------

void BM_RawWrite(benchmark::State& state) {
  const auto& v = Elements();
  const char* bytes = reinterpret_cast<const char*>(v.data());
  for (auto _ : state) {
    const int fd = ::open(Files().raw.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t off = 0; off < kTotalBytes; off += kChunkBytes) {
      if (::write(fd, bytes + off, kChunkBytes) != static_cast<ssize_t>(kChunkBytes)) {
        state.SkipWithError("write failed");
      }
    }
    ::close(fd);
  }
  SetBytes(state);
}

void BM_MFileExWriteElements(benchmark::State& state) {
  const auto& v = Elements();
  const MFileName name(Files().ex.c_str());
  for (auto _ : state) {
    MFileEx file;
    file.OPEN_WRITE(name);
    const std::int32_t* p = v.data();
    for (std::size_t i = 0; i < kElements; ++i) file.WRITE(p + i, 1);
    if (!file.CLOSE()) state.SkipWithError("MFileEx write failed");
  }
  SetBytes(state);
}

void BM_MFileExWriteArrays(benchmark::State& state) {
  const auto& v = Elements();
  const MFileName name(Files().ex.c_str());
  for (auto _ : state) {
    MFileEx file;
    file.OPEN_WRITE(name);
    for (std::size_t i = 0; i < kElements; i += kArrayElements) file.WRITE(&v[i], kArrayElements);
    if (!file.CLOSE()) state.SkipWithError("MFileEx write failed");
  }
  SetBytes(state);
}

void BM_RawRead(benchmark::State& state) {
  std::vector<char> chunk(kChunkBytes);
  for (auto _ : state) {
    const int fd = ::open(Files().raw.c_str(), O_RDONLY);
    std::size_t total = 0;
    ssize_t n;
    while ((n = ::read(fd, chunk.data(), kChunkBytes)) > 0) total += static_cast<std::size_t>(n);
    ::close(fd);
    if (total != kTotalBytes) state.SkipWithError("short file");
    benchmark::DoNotOptimize(chunk.data());
  }
  SetBytes(state);
}

void BM_MFileExReadElements(benchmark::State& state) {
  const MFileName name(Files().ex.c_str());
  for (auto _ : state) {
    MFileEx file;
    file.OPEN_READ(name);
    std::int32_t value = 0;
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < kElements; ++i) {
      file.READ(&value, 1);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
    file.CLOSE();
  }
  SetBytes(state);
}

// ---- memory ------------------------------------------------------------------------------------

void BM_Memcpy(benchmark::State& state) {
  const auto& v = Elements();
  const char* bytes = reinterpret_cast<const char*>(v.data());
  std::vector<char> target(kTotalBytes);
  for (auto _ : state) {
    for (std::size_t off = 0; off < kTotalBytes; off += kChunkBytes) {
      std::memcpy(target.data() + off, bytes + off, kChunkBytes);
    }
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}

void BM_MFileMemoryWriteElements(benchmark::State& state) {
  const auto& v = Elements();
  MFileMemory file;
  file.OPEN_WRITE(static_cast<LONG>(kTotalBytes), nullptr);
  for (auto _ : state) {
    file.SEEK(0, 0);
    const std::int32_t* p = v.data();
    for (std::size_t i = 0; i < kElements; ++i) file.WRITE(p + i, 1);
    benchmark::DoNotOptimize(file.GET_BUFFER());
  }
  SetBytes(state);
}

void BM_MFileMemoryWriteArrays(benchmark::State& state) {
  const auto& v = Elements();
  MFileMemory file;
  file.OPEN_WRITE(static_cast<LONG>(kTotalBytes), nullptr);
  for (auto _ : state) {
    file.SEEK(0, 0);
    for (std::size_t i = 0; i < kElements; i += kArrayElements) file.WRITE(&v[i], kArrayElements);
    benchmark::DoNotOptimize(file.GET_BUFFER());
  }
  SetBytes(state);
}

void BM_MFileMemoryWriteGrowing(benchmark::State& state) {
  const auto& v = Elements();
  for (auto _ : state) {
    MFileMemory file;
    file.OPEN_WRITE(16, nullptr);
    const std::int32_t* p = v.data();
    for (std::size_t i = 0; i < kElements; ++i) file.WRITE(p + i, 1);
    benchmark::DoNotOptimize(file.GET_BUFFER());
  }
  SetBytes(state);
}

BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileExWriteElements)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileExWriteArrays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileExReadElements)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileMemoryWriteElements)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileMemoryWriteArrays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MFileMemoryWriteGrowing)->Unit(benchmark::kMillisecond);

// Prints as the console reporter does and keeps each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With --benchmark_repetitions the median counts, otherwise the single run.
    for (const Run& run : runs) {
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Iteration && medians_.count(name) == 0) {
        times_[name] = run.GetAdjustedRealTime();
        cpu_times_[name] = run.GetAdjustedCPUTime();
      } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        times_[name] = run.GetAdjustedRealTime();
        cpu_times_[name] = run.GetAdjustedCPUTime();
        medians_[name] = true;
      }
    }
  }
  // Wall-clock ratio, and in brackets the ratio of CPU times (steadier on a busy machine).
  void PrintRatio(const char* what, const char* mine, const char* peer, const char* goal) const {
    auto a = times_.find(mine), b = times_.find(peer);
    auto ca = cpu_times_.find(mine), cb = cpu_times_.find(peer);
    if (a == times_.end() || b == times_.end() || a->second <= 0 || ca->second <= 0) return;
    std::printf("%-56s %6.2fx (cpu %5.2fx)%s\n", what, b->second / a->second,
                cb->second / ca->second, goal);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> cpu_times_;
  std::map<std::string, bool> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios (peer time / our time; 1.0 is the peer's speed, higher is faster):\n");
  reporter.PrintRatio("MFileEx WRITE per element / write() 256 KiB chunks",
                      "BM_MFileExWriteElements", "BM_RawWrite", "   (goal >= 0.7x)");
  reporter.PrintRatio("MFileEx WRITE per 64 KiB array / write() 256 KiB chunks",
                      "BM_MFileExWriteArrays", "BM_RawWrite", "");
  reporter.PrintRatio("MFileEx READ per element / read() 256 KiB chunks",
                      "BM_MFileExReadElements", "BM_RawRead", "");
  reporter.PrintRatio("MFileMemory WRITE per element / memcpy 256 KiB chunks",
                      "BM_MFileMemoryWriteElements", "BM_Memcpy", "   (goal >= 0.5x)");
  reporter.PrintRatio("MFileMemory WRITE per 64 KiB array / memcpy",
                      "BM_MFileMemoryWriteArrays", "BM_Memcpy", "");
  reporter.PrintRatio("MFileMemory WRITE per element, growing from 16 B / memcpy",
                      "BM_MFileMemoryWriteGrowing", "BM_Memcpy", "");
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(Files().native_dir, ignored);
  return 0;
}
