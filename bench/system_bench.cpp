// Timing overhead: one CTimeCount start and stop (construction reads the frequency and the
// counter, Poll reads it again) against the two clock_gettime(CLOCK_MONOTONIC) calls it stands for.
#include <time.h>

#include <benchmark/benchmark.h>

#include <zorbase/system/CTimeCount.h>

#include "bench_support.h"

namespace {

constexpr int kPairs = 1000;  // per iteration, so one iteration is long enough to time

void BM_CTimeCountPair(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kPairs; ++i) {
      CTimeCount count;
      benchmark::DoNotOptimize(count.Poll());
    }
  }
}

void BM_ClockGettimePair(benchmark::State& state) {
  for (auto _ : state) {
    for (int i = 0; i < kPairs; ++i) {
      timespec start, stop;
      clock_gettime(CLOCK_MONOTONIC, &start);
      clock_gettime(CLOCK_MONOTONIC, &stop);
      float ms = static_cast<float>((stop.tv_sec - start.tv_sec) * 1000000000LL +
                                    (stop.tv_nsec - start.tv_nsec)) * 1e-6f;
      benchmark::DoNotOptimize(ms);
    }
  }
}

BENCHMARK(BM_CTimeCountPair)->Apply(zb::bench::Repeated);
BENCHMARK(BM_ClockGettimePair)->Apply(zb::bench::Repeated);

}  // namespace

int main(int argc, char** argv) {
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("CTimeCount start/stop vs two clock_gettime(CLOCK_MONOTONIC)",
                     "BM_CTimeCountPair", "BM_ClockGettimePair", "goal <= 1.5x");
  });
}
