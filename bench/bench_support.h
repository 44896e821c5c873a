// What every benchmark program shares: a scratch folder that is removed at exit, the CPU clock
// (this process and its waited-for children), a default repetition count, and a reporter that
// prints, after the console output, each measured operation as a ratio to its peer from the same
// run: the median of the repetitions and their spread, for wall time and for CPU time.
//
// Usage:
//   BENCHMARK(BM_Ours)->Apply(zb::bench::Repeated);
//   BENCHMARK(BM_Peer)->Apply(zb::bench::Repeated);
//   int main(int argc, char** argv) {
//     return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
//       r.PrintTimeRatio("what is measured", "BM_Ours", "BM_Peer", "goal <= 2x");
//     });
//   }
// A benchmark that times itself (UseManualTime) reports its wall time through SetIterationTime;
// one that starts child processes adds their CPU with ChildCpuCounter so that the CPU ratio holds it.
#ifndef ZORBASE_BENCH_BENCH_SUPPORT_H_
#define ZORBASE_BENCH_BENCH_SUPPORT_H_

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace zb {
namespace bench {

// Repetitions of every benchmark; the figures are medians over them.
constexpr int kRepetitions = 5;

inline void Repeated(benchmark::internal::Benchmark* b) {
  b->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond);
}

// A fresh folder under $TMPDIR (default /tmp), created on first use and removed with everything
// in it when the program exits. `tag` names the program in the folder's name.
inline const std::string& ScratchDir(const char* tag) {
  static const std::string dir = [tag] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") +
                          "/zorbase-" + tag + "-XXXXXX";
    if (mkdtemp(&pattern[0]) == nullptr) {
      std::perror("bench: cannot create a scratch folder");
      std::exit(2);
    }
    return pattern;
  }();
  static const bool registered = [] {
    return std::atexit([] {
      const std::string command = "rm -rf '" + dir + "'";
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "bench: %s failed\n", command.c_str());
    }) == 0;
  }();
  (void)registered;
  return dir;
}

// CPU seconds (user and system) used so far by this process, and with `children` also by its
// waited-for child processes.
inline double CpuSeconds(bool children = true) {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    if (who == RUSAGE_CHILDREN && !children) continue;
    struct rusage usage;
    getrusage(who, &usage);
    total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

// Adds the CPU time of child processes waited for while it lives to the benchmark's "child_cpu"
// counter (seconds per iteration), which the reporter adds to the benchmark's CPU time.
class ChildCpuCounter {
 public:
  explicit ChildCpuCounter(benchmark::State& state) : state_(state), start_(ChildSeconds()) {}
  ~ChildCpuCounter() {
    state_.counters["child_cpu"] = benchmark::Counter(ChildSeconds() - start_,
                                                      benchmark::Counter::kAvgIterations);
  }

 private:
  static double ChildSeconds() { return CpuSeconds(true) - CpuSeconds(false); }
  benchmark::State& state_;
  double start_;
};

// Prints as the console reporter does and keeps each benchmark's per-repetition wall and CPU time
// per iteration, so that ratios and spreads come from the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      Samples& s = samples_[run.run_name.function_name];
      s.wall.push_back(run.GetAdjustedRealTime());
      double cpu = run.GetAdjustedCPUTime();
      auto child = run.counters.find("child_cpu");
      if (child != run.counters.end()) {
        cpu += child->second.value * benchmark::GetTimeUnitMultiplier(run.time_unit);
      }
      s.cpu.push_back(cpu);
    }
  }

  // Prints ours/peer of the medians (time ratio: below 1 is faster than the peer) with the spread
  // of both benchmarks, for wall and CPU time.
  void PrintTimeRatio(const char* what, const char* ours, const char* peer, const char* goal) const {
    Print(what, ours, peer, goal, false);
  }
  // Prints peer/ours of the medians (speed ratio: above 1 is faster than the peer).
  void PrintSpeedRatio(const char* what, const char* ours, const char* peer, const char* goal) const {
    Print(what, ours, peer, goal, true);
  }
  // Median time per iteration of one benchmark, in its time unit; 0 when it did not run.
  double MedianWall(const char* name) const {
    auto it = samples_.find(name);
    return it == samples_.end() ? 0 : Median(it->second.wall);
  }

 private:
  struct Samples {
    std::vector<double> wall, cpu;
  };

  static double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  // (max - min) / median, as a percentage.
  static double Spread(const std::vector<double>& v) {
    const double m = Median(v);
    if (v.empty() || m <= 0) return 0;
    auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    return (*hi - *lo) / m * 100.0;
  }

  void Print(const char* what, const char* ours, const char* peer, const char* goal, bool speed) const {
    auto a = samples_.find(ours), b = samples_.find(peer);
    if (a == samples_.end() || b == samples_.end()) {
      std::printf("%s: not measured (%s or %s did not run)\n", what, ours, peer);
      return;
    }
    auto ratio = [speed](const std::vector<double>& x, const std::vector<double>& y) {
      const double mx = Median(x), my = Median(y);
      if (mx <= 0 || my <= 0) return 0.0;
      return speed ? my / mx : mx / my;
    };
    std::printf("%s  [%s]\n", what, goal);
    std::printf("  wall %6.2fx  (%zu runs; spread ours %.0f%%, peer %.0f%%)\n",
                ratio(a->second.wall, b->second.wall), a->second.wall.size(),
                Spread(a->second.wall), Spread(b->second.wall));
    std::printf("  cpu  %6.2fx  (spread ours %.0f%%, peer %.0f%%)\n",
                ratio(a->second.cpu, b->second.cpu), Spread(a->second.cpu), Spread(b->second.cpu));
  }

  std::map<std::string, Samples> samples_;
};

// Runs the benchmarks with a RatioReporter, then `summary` to print the ratios; returns the
// program's exit code.
inline int Main(int argc, char** argv, const std::function<void(const RatioReporter&)>& summary) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nRatios to the peer, medians of the runs above (wall and CPU time):\n");
  summary(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
}  // namespace zb

#endif  // ZORBASE_BENCH_BENCH_SUPPORT_H_
