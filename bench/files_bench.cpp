// MFile against the raw system calls and cp, in the same run:
//  - 64 MiB written as 4-byte int elements, one MFile::WRITE call each, against write() of the same
//    bytes in 256 KiB chunks;
//  - the same 64 MiB read back, one MFile::READ call per element, against read() in 256 KiB chunks;
//  - MFile::COPY of a 256 MiB file against `cp` (its CPU counted through ChildCpuCounter).
// For the element transfers a hand-written loop that moves each element through a 256 KiB buffer
// of its own (position in a register, one system call per full buffer) runs too: it is the best any
// per-element buffered file can do, and shows how much of the gap to the raw calls is the buffer
// itself rather than MFile.
// Files live in the scratch folder of bench_support.h. After the runs the ratios to the peer are
// printed (median and spread of the repetitions, wall and CPU time).
#include "bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileName.h>
#include <zorbase/platform/path_mapping.h>

namespace {

constexpr std::size_t kElements = (64u << 20) / 4;
constexpr std::size_t kChunk = 256u << 10;
constexpr std::size_t kCopyBytes = 256u << 20;

struct Setup {
  std::string dir;
  std::vector<int> values;
  std::vector<int> back;
  std::string Native(const char* name) const { return dir + "/" + name; }
  MFileName Name(const char* name) const {
    return MFileName(zb::platform::NativeToWindowsPath(Native(name)).c_str());
  }
};

Setup& Data() {
  static Setup* setup = [] {
    auto* s = new Setup();
    s->dir = zb::bench::ScratchDir("files");
    s->values.resize(kElements);
    for (std::size_t i = 0; i < kElements; ++i) s->values[i] = static_cast<int>(i * 2654435761u);
    s->back.resize(kElements);
    return s;
  }();
  return *setup;
}

void WriteRaw(const std::string& path, const void* data, std::size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const char* p = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const std::size_t n = size - done < kChunk ? size - done : kChunk;
    const ssize_t w = write(fd, p + done, n);
    if (w <= 0) std::abort();
    done += static_cast<std::size_t>(w);
  }
  close(fd);
}

void BM_MFileWriteElements(benchmark::State& state) {
  Setup& d = Data();
  const MFileName name = d.Name("mfile.bin");
  for (auto _ : state) {
    MFile file;
    if (!file.OPEN_WRITE(name)) std::abort();
    int* values = d.values.data();
    for (std::size_t i = 0; i < kElements; ++i) file.WRITE(values + i, 1);
    file.CLOSE();
  }
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void BM_RawWriteChunks(benchmark::State& state) {
  Setup& d = Data();
  const std::string path = d.Native("raw.bin");
  for (auto _ : state) {
    WriteRaw(path, d.values.data(), kElements * 4);
  }
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void BM_MFileReadElements(benchmark::State& state) {
  Setup& d = Data();
  WriteRaw(d.Native("read.bin"), d.values.data(), kElements * 4);
  const MFileName name = d.Name("read.bin");
  for (auto _ : state) {
    MFile file;
    if (!file.OPEN_READ(name)) std::abort();
    int* back = d.back.data();
    for (std::size_t i = 0; i < kElements; ++i) file.READ(back + i, 1);
    file.CLOSE();
    benchmark::DoNotOptimize(back);
  }
  if (d.back != d.values) std::abort();
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void BM_RawReadChunks(benchmark::State& state) {
  Setup& d = Data();
  WriteRaw(d.Native("read.bin"), d.values.data(), kElements * 4);
  const std::string path = d.Native("read.bin");
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char* p = reinterpret_cast<char*>(d.back.data());
    for (std::size_t done = 0; done < kElements * 4;) {
      const ssize_t r = read(fd, p + done, kChunk);
      if (r <= 0) std::abort();
      done += static_cast<std::size_t>(r);
    }
    close(fd);
    benchmark::DoNotOptimize(p);
  }
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void BM_HandLoopWriteElements(benchmark::State& state) {
  Setup& d = Data();
  const std::string path = d.Native("hand.bin");
  std::vector<unsigned char> buffer(kChunk);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < kElements; ++i) {
      std::memcpy(buffer.data() + pos, &d.values[i], 4);
      pos += 4;
      if (pos == kChunk) {
        if (write(fd, buffer.data(), kChunk) != static_cast<ssize_t>(kChunk)) std::abort();
        pos = 0;
      }
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void BM_HandLoopReadElements(benchmark::State& state) {
  Setup& d = Data();
  WriteRaw(d.Native("read.bin"), d.values.data(), kElements * 4);
  const std::string path = d.Native("read.bin");
  std::vector<unsigned char> buffer(kChunk);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t pos = kChunk;
    for (std::size_t i = 0; i < kElements; ++i) {
      if (pos == kChunk) {
        if (read(fd, buffer.data(), kChunk) != static_cast<ssize_t>(kChunk)) std::abort();
        pos = 0;
      }
      std::memcpy(&d.back[i], buffer.data() + pos, 4);
      pos += 4;
    }
    close(fd);
    benchmark::DoNotOptimize(d.back.data());
  }
  state.SetBytesProcessed(state.iterations() * kElements * 4);
}

void PrepareCopySource() {
  Setup& d = Data();
  static bool done = false;
  if (done) return;
  const int fd = open(d.Native("copy_src.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  for (std::size_t written = 0; written < kCopyBytes; written += kElements * 4) {
    if (write(fd, d.values.data(), kElements * 4) != static_cast<ssize_t>(kElements * 4)) std::abort();
  }
  close(fd);
  done = true;
}

void BM_MFileCopy(benchmark::State& state) {
  PrepareCopySource();
  Setup& d = Data();
  const MFileName source_name = d.Name("copy_src.bin");
  const MFileName target_name = d.Name("copy_mfile.bin");
  for (auto _ : state) {
    MFile source, target;
    if (!source.OPEN_READ(source_name) || !target.OPEN_WRITE(target_name)) std::abort();
    if (!target.COPY(source)) std::abort();
    target.CLOSE();
    source.CLOSE();
  }
  state.SetBytesProcessed(state.iterations() * kCopyBytes);
}

void BM_CpCopy(benchmark::State& state) {
  PrepareCopySource();
  Setup& d = Data();
  const std::string command = "cp '" + d.Native("copy_src.bin") + "' '" + d.Native("copy_cp.bin") + "'";
  zb::bench::ChildCpuCounter child_cpu(state);
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) std::abort();
  }
  state.SetBytesProcessed(state.iterations() * kCopyBytes);
}

BENCHMARK(BM_MFileWriteElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_RawWriteChunks)->Apply(zb::bench::Repeated);
BENCHMARK(BM_HandLoopWriteElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileReadElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_RawReadChunks)->Apply(zb::bench::Repeated);
BENCHMARK(BM_HandLoopReadElements)->Apply(zb::bench::Repeated);
BENCHMARK(BM_MFileCopy)->Apply(zb::bench::Repeated);
BENCHMARK(BM_CpCopy)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("MFile WRITE per 4-byte element / write() 256 KiB chunks",
                     "BM_MFileWriteElements", "BM_RawWriteChunks", "goal <= 1.4x");
    r.PrintTimeRatio("MFile READ per 4-byte element / read() 256 KiB chunks",
                     "BM_MFileReadElements", "BM_RawReadChunks", "goal <= 1.4x");
    r.PrintTimeRatio("  hand-written buffered write loop / write() chunks",
                     "BM_HandLoopWriteElements", "BM_RawWriteChunks", "the ceiling");
    r.PrintTimeRatio("  hand-written buffered read loop / read() chunks",
                     "BM_HandLoopReadElements", "BM_RawReadChunks", "the ceiling");
    r.PrintTimeRatio("MFile COPY 256 MiB / cp", "BM_MFileCopy", "BM_CpCopy", "goal <= 1.25x");
  });
}
