// MFileEx and MFileMemory against their peers, in the same run, on 64 MiB of 4-byte elements:
//  - MFileEx: one WRITE call per element (and, for scale, one call per 64 KiB array) into a new
//    file, closed at the end, against write() of the same bytes in 256 KiB chunks; reading back
//    the same way against read() in 256 KiB chunks;
//  - MFileMemory: one WRITE call per element and one per 64 KiB array into a block of the final
//    size, against memcpy of the same bytes into a buffer of the final size in 256 KiB chunks;
//    and element writes into a block that grows from 16 bytes, against push_back into a
//    std::vector that grows from empty.
//
// Steady state of the memory benchmarks: a freshly allocated 64 MiB block is not in memory yet,
// and the kernel maps each of its pages at the first write (16384 page faults, far more time than
// the copying itself); a block freed and allocated again between iterations goes back to the
// kernel and is faulted in again. Measured that way the figures were the kernel's, and swung a
// hundredfold with the machine's load (0.01x-0.11x of memcpy). The fixed-size blocks of both sides
// are therefore written once before the timed iterations and kept; only the growing benchmarks
// allocate inside the loop, and their peer grows a block the same way, so both pay the same kernel
// work.
//
// Files live in the scratch folder of bench_support.h. After the runs the ratios to the peer are
// printed (median and spread of the repetitions, wall and CPU time).
#include "bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  std::string raw;
  std::wstring ex;
};

const Paths& Files() {
  static const Paths paths = [] {
    Paths p;
    const std::string dir = zb::bench::ScratchDir("extfiles");
    p.raw = dir + "/raw.bin";
    p.ex = zb::platform::NativeToWindowsPath(dir + "/ex.bin");
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

// An owned block of the final size, every page of it written once, so the timed writes find it in
// memory (see the steady state above).
void OpenWarmBlock(MFileMemory& file) {
  file.OPEN_WRITE(static_cast<LONG>(kTotalBytes), nullptr);
  const auto& v = Elements();
  file.WRITE(v.data(), kElements);
}

void BM_MFileMemoryWriteElements(benchmark::State& state) {
  const auto& v = Elements();
  MFileMemory file;
  OpenWarmBlock(file);
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
  OpenWarmBlock(file);
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

void BM_VectorPushBackGrowing(benchmark::State& state) {
  const auto& v = Elements();
  for (auto _ : state) {
    std::vector<std::int32_t> block;
    for (std::size_t i = 0; i < kElements; ++i) block.push_back(v[i]);
    benchmark::DoNotOptimize(block.data());
  }
  SetBytes(state);
}

BENCHMARK(BM_RawWrite)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileExWriteElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileExWriteArrays)->Apply(zb::bench::Repeated);
BENCHMARK(BM_RawRead)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileExReadElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_Memcpy)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileMemoryWriteElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileMemoryWriteArrays)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileMemoryWriteGrowing)->Apply(zb::bench::Repeated);
BENCHMARK(BM_VectorPushBackGrowing)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("MFileEx WRITE per element / write() 256 KiB chunks",
                     "BM_MFileExWriteElements", "BM_RawWrite", "goal <= 1.4x");
    r.PrintTimeRatio("MFileEx WRITE per 64 KiB array / write() 256 KiB chunks",
                     "BM_MFileExWriteArrays", "BM_RawWrite", "for scale");
    r.PrintTimeRatio("MFileEx READ per element / read() 256 KiB chunks",
                     "BM_MFileExReadElements", "BM_RawRead", "for scale");
    r.PrintTimeRatio("MFileMemory WRITE per element / memcpy 256 KiB chunks",
                     "BM_MFileMemoryWriteElements", "BM_Memcpy", "goal <= 2x");
    r.PrintTimeRatio("MFileMemory WRITE per 64 KiB array / memcpy 256 KiB chunks",
                     "BM_MFileMemoryWriteArrays", "BM_Memcpy", "for scale");
    r.PrintTimeRatio("MFileMemory WRITE per element, growing from 16 B / vector push_back",
                     "BM_MFileMemoryWriteGrowing", "BM_VectorPushBackGrowing", "for scale");
  });
}
