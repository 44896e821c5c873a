// Logging through the library against log4cxx used directly, in the same run:
//  - an Info message through MLogPlugIn::Info to a file channel, against LOG4CXX_INFO on a logger
//    with the same kind of file appender and the same layout (goal: at most 1.3x the time);
//  - a Trace call that the plug-in's masks hold back, against a disabled LOG4CXX_TRACE check
//    (goal: at most 2x).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include <log4cxx/fileappender.h>
#include <log4cxx/helpers/pool.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/platform/debug_output.h>

namespace {

const char kLayout[] = "%d{HH:mm:ss}|%c|%p|%m%n";

std::string TempFile(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/zorbase_logging_bench_" +
         std::to_string(::getpid()) + "_" + name;
}

struct LibrarySetup {
  std::string path = TempFile("library.log");
  MLogManager manager;
  MLogPlugIn plugin{L"BenchPlugIn", L"benchmark"};
  LibrarySetup() {
    const std::wstring wide(path.begin(), path.end());
    manager.OpenLogFile(MFileName(wide.c_str()), false);
  }
  ~LibrarySetup() { std::remove(path.c_str()); }
};

struct PeerSetup {
  std::string path = TempFile("peer.log");
  log4cxx::LoggerPtr logger = log4cxx::Logger::getLogger("BenchPeer");
  std::shared_ptr<log4cxx::FileAppender> appender;
  PeerSetup() {
    auto layout = std::make_shared<log4cxx::PatternLayout>(kLayout);
    appender = std::make_shared<log4cxx::FileAppender>();
    appender->setLayout(layout);
    appender->setOption("FILE", path);
    appender->setOption("APPEND", "FALSE");
    appender->setOption("ENCODING", "UTF-8");
    log4cxx::helpers::Pool pool;
    appender->activateOptions(pool);
    logger->addAppender(appender);
    logger->setAdditivity(false);
    logger->setLevel(log4cxx::Level::getInfo());
  }
  ~PeerSetup() {
    logger->removeAppender(appender);
    std::remove(path.c_str());
  }
};

void BM_PlugInInfoToFile(benchmark::State& state) {
  LibrarySetup setup;
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.plugin.Info(L"benchmark message with a little text 12345"));
  }
}
BENCHMARK(BM_PlugInInfoToFile);

void BM_Log4cxxInfoToFile(benchmark::State& state) {
  PeerSetup setup;
  for (auto _ : state) {
    LOG4CXX_INFO(setup.logger, "benchmark message with a little text 12345");
  }
}
BENCHMARK(BM_Log4cxxInfoToFile);

void BM_PlugInTraceMasked(benchmark::State& state) {
  LibrarySetup setup;
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.plugin.Trace(L"held back by the masks"));
  }
}
BENCHMARK(BM_PlugInTraceMasked);

void BM_Log4cxxTraceDisabled(benchmark::State& state) {
  PeerSetup setup;
  for (auto _ : state) {
    LOG4CXX_TRACE(setup.logger, "held back by the level");
  }
}
BENCHMARK(BM_Log4cxxTraceDisabled);

// Prints the usual table and remembers each benchmark's median time per iteration (real and CPU).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0, cpu = 0;
  };
  std::map<std::string, Times> median;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        median[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
  }
};

void PrintRatio(const RatioReporter& r, const char* ours, const char* peer, double goal) {
  auto a = r.median.find(ours), b = r.median.find(peer);
  if (a == r.median.end() || b == r.median.end() || b->second.real <= 0 || b->second.cpu <= 0) {
    return;
  }
  const double real = a->second.real / b->second.real;
  const double cpu = a->second.cpu / b->second.cpu;
  std::printf("ratio %-20s / %-23s = %5.2fx real, %5.2fx CPU (goal <= %.1fx: %s)\n", ours, peer,
              real, cpu, goal, real <= goal ? "met" : cpu <= goal ? "met in CPU time" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
  zb::platform::SetDebugOutputTarget("");  // debugger output dropped, as without a debugger
  // Medians of several repetitions: the machine is shared, single runs of file writes are noisy.
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=7";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  args.push_back(repetitions.data());
  args.push_back(aggregates.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatio(reporter, "BM_PlugInInfoToFile", "BM_Log4cxxInfoToFile", 1.3);
  PrintRatio(reporter, "BM_PlugInTraceMasked", "BM_Log4cxxTraceDisabled", 2.0);
  benchmark::Shutdown();
  return 0;
}
