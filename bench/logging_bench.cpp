// Logging through the library against log4cxx used directly, in the same run:
//  - an Info message through MLogPlugIn::Info to a file channel, against LOG4CXX_INFO on a logger
//    with the same kind of file appender and the same layout (goal: at most 1.3x the time);
//  - a Trace call that the plug-in's masks hold back, against a disabled LOG4CXX_TRACE check
//    (goal: at most 2x).
// After the runs the ratios (ours / peer, median and spread of the repetitions, wall and CPU) are
// printed.
#include "bench_support.h"

#include <cstdio>
#include <string>

#include <log4cxx/fileappender.h>
#include <log4cxx/helpers/pool.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/platform/debug_output.h>

namespace {

const char kLayout[] = "%d{HH:mm:ss}|%c|%p|%m%n";

std::string TempFile(const char* name) { return zb::bench::ScratchDir("logging") + "/" + name; }

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
BENCHMARK(BM_PlugInInfoToFile)->Apply(zb::bench::Repeated)->Unit(benchmark::kNanosecond);

void BM_Log4cxxInfoToFile(benchmark::State& state) {
  PeerSetup setup;
  for (auto _ : state) {
    LOG4CXX_INFO(setup.logger, "benchmark message with a little text 12345");
  }
}
BENCHMARK(BM_Log4cxxInfoToFile)->Apply(zb::bench::Repeated)->Unit(benchmark::kNanosecond);

void BM_PlugInTraceMasked(benchmark::State& state) {
  LibrarySetup setup;
  for (auto _ : state) {
    benchmark::DoNotOptimize(setup.plugin.Trace(L"held back by the masks"));
  }
}
BENCHMARK(BM_PlugInTraceMasked)->Apply(zb::bench::Repeated)->Unit(benchmark::kNanosecond);

void BM_Log4cxxTraceDisabled(benchmark::State& state) {
  PeerSetup setup;
  for (auto _ : state) {
    LOG4CXX_TRACE(setup.logger, "held back by the level");
  }
}
BENCHMARK(BM_Log4cxxTraceDisabled)->Apply(zb::bench::Repeated)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) {
  zb::platform::SetDebugOutputTarget("");  // debugger output dropped, as without a debugger
  return zb::bench::Main(argc, argv, [](const zb::bench::RatioReporter& r) {
    r.PrintTimeRatio("MLogPlugIn::Info to a file / LOG4CXX_INFO to a file", "BM_PlugInInfoToFile",
                     "BM_Log4cxxInfoToFile", "goal <= 1.3x");
    r.PrintTimeRatio("masked Trace / disabled LOG4CXX_TRACE", "BM_PlugInTraceMasked",
                     "BM_Log4cxxTraceDisabled", "goal <= 2x");
  });
}
