// MProgress::SetCurrentPosition in a loop of 10,000,000 steps over a range of 10,000,000 (so the
// shown percentage changes 100 times), against a plain loop that takes a std::recursive_mutex,
// computes the same percentage and calls a no-op function when it changes. Goal: at most 1.5x the
// peer's time, i.e. no message, allocation or manager work while the percentage stays the same.
#include <benchmark/benchmark.h>

#include <mutex>

#include <zorbase/progress/MProgress.h>

#include "bench_support.h"

namespace {

constexpr int kSteps = 10000000;

__attribute__((noinline)) void NoOp(long percent) { benchmark::DoNotOptimize(percent); }

void BM_MProgressSetCurrentPosition(benchmark::State& state) {
  MProgress::ResetUITargets();
  for (auto _ : state) {
    MProgress progress(0, kSteps);
    for (int i = 0; i < kSteps; ++i) progress.SetCurrentPosition(i);
  }
}

void BM_RecursiveMutexLoop(benchmark::State& state) {
  std::recursive_mutex mutex;
  const double scaler = 100.0 / kSteps;
  for (auto _ : state) {
    long last = -1;
    for (int i = 0; i < kSteps; ++i) {
      std::lock_guard<std::recursive_mutex> lock(mutex);
      const long percent = static_cast<long>(i * scaler + 0.5);
      if (percent > last) {
        last = percent;
        NoOp(percent);
      }
    }
    benchmark::DoNotOptimize(last);
  }
}

BENCHMARK(BM_MProgressSetCurrentPosition)->Apply(zb::bench::Repeated);
BENCHMARK(BM_RecursiveMutexLoop)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("MProgress::SetCurrentPosition, 10^7 steps", "BM_MProgressSetCurrentPosition",
                     "BM_RecursiveMutexLoop", "goal <= 1.5x");
  });
}
