// The tagged file against its peers, in the same run:
//  - rewriting one small record in a 512 MiB tagged file of 1,000 records (open for writing, one
//    record written anew, close: the other 999 records are carried over from the backup, the new
//    file is flushed to the device, the backup deleted) against `cp` of the same file followed by
//    an fsync of the copy (a rewrite must reach the disk: the same durability), and against plain
//    `cp` for reference;
//  - writing 1,000,000 small records (a named record holding a "DATA" record of 16 bytes) into a
//    new tagged file against write() of the same bytes in 256 KiB blocks.
// The files live in the bench's scratch folder (TMPDIR or /tmp), removed at exit. The ratios
// (tagged / peer) of the medians of the runs, with their spread, are printed for wall and CPU time;
// the CPU time is the whole process's (the tagged file's background writer included) plus the
// `cp` child processes.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <zorbase/files/MFileName.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/tagged/MFileTagged.h>

#include "bench_support.h"

namespace {

constexpr int kBigRecords = 1000;
constexpr size_t kBigPayload = 512 * 1024 - 24;  // with its two headers each record is 512 KiB
constexpr int kSmallRecords = 1000000;
constexpr size_t kSmallPayload = 16;

std::string Native(const char* name) { return zb::bench::ScratchDir("tagged") + "/" + name; }
std::wstring Windows(const char* name) { return zb::platform::NativeToWindowsPath(Native(name)); }

int64_t BigFileBytes() {
  return static_cast<int64_t>(std::filesystem::file_size(Native("big.zor")));
}

bool SyncFile(const std::string& native) {
  const int fd = open(native.c_str(), O_RDONLY);
  const bool synced = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) close(fd);
  return synced;
}

bool WriteRecord(MFileTagged& file, const char* name, const char* payload, size_t size) {
  MTag record(name);
  MTag data("DATA");
  bool ok = file.WRITE_TAG_BEGIN(record) && data.WRITE(file);
  ok = file.WRITE(payload, size) == size && ok;
  return data.UPDATE_SKIP(file) && file.WRITE_TAG_END(record) && ok;
}

// The 512 MiB document: records R0 ... R998 of 512 KiB and one small record SMALL in the middle.
bool MakeBigDocument() {
  static const bool made = [] {
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
    // Start the runs from a clean page cache: no run pays for writing back this file's data.
    return file.CLOSE() && ok && SyncFile(Native("big.zor"));
  }();
  return made;
}

void BM_TaggedRewriteOneRecord(benchmark::State& state) {
  if (!MakeBigDocument()) {
    state.SkipWithError("cannot write the 512 MiB document");
    return;
  }
  const MFileName name(Windows("big.zor").c_str());
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
  if (!MakeBigDocument()) {
    state.SkipWithError("cannot write the 512 MiB document");
    return;
  }
  const std::string command = "cp '" + Native("big.zor") + "' '" + Native("copy.zor") + "'";
  zb::bench::ChildCpuCounter children(state);
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    if (sync && !SyncFile(Native("copy.zor"))) state.SkipWithError("fsync failed");
  }
  state.SetBytesProcessed(state.iterations() * BigFileBytes());
}

void BM_CpBigFileAndFsync(benchmark::State& state) { Copy(state, true); }
void BM_CpBigFile(benchmark::State& state) { Copy(state, false); }

void BM_TaggedWriteSmallRecords(benchmark::State& state) {
  const MFileName name(Windows("small.zor").c_str());
  const char payload[kSmallPayload + 1] = "0123456789abcdef";
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
  for (auto _ : state) {
    std::remove(Native("raw.bin").c_str());
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

// The big runs take about a second each: one iteration per repetition. CPU time is the whole
// process's, so that the tagged file's background writer is counted.
BENCHMARK(BM_TaggedRewriteOneRecord)
    ->Apply(zb::bench::Repeated)->Iterations(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_CpBigFileAndFsync)
    ->Apply(zb::bench::Repeated)->Iterations(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_CpBigFile)
    ->Apply(zb::bench::Repeated)->Iterations(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_TaggedWriteSmallRecords)
    ->Apply(zb::bench::Repeated)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_WriteSameBytes)->Apply(zb::bench::Repeated)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("rewrite one record of 512 MiB / cp + fsync of the copy",
                     "BM_TaggedRewriteOneRecord", "BM_CpBigFileAndFsync", "goal <= 1.1x");
    r.PrintTimeRatio("rewrite one record of 512 MiB / cp (reference, no fsync)",
                     "BM_TaggedRewriteOneRecord", "BM_CpBigFile", "for reference");
    r.PrintTimeRatio("1,000,000 small records / write() of the same bytes",
                     "BM_TaggedWriteSmallRecords", "BM_WriteSameBytes",
                     "goal: wall <= 2x, cpu <= 4x");
  });
}
