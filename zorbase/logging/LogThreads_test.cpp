// Several threads logging at once through plug-ins of one manager: no line is lost or torn.
#include <UnitTest++/UnitTest++.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>

using zb::logtest::RecordingWindow;

SUITE(LogThreads) {

TEST(ConcurrentPlugInsLoseNoLine) {
  constexpr int kThreads = 4;
  constexpr int kLines = 1500;
  const std::string path = zb::logtest::TempPath("threads.log");
  const std::wstring wide(path.begin(), path.end());
  RecordingWindow window;
  {
    MLogManager manager;
    CHECK(manager.OpenLogFile(MFileName(wide.c_str()), false));
    manager.OpenLogWnd(&window);
    manager.SetPutTimeStampLogFile(false);
    std::vector<std::unique_ptr<MLogPlugIn>> plugins;
    for (int t = 0; t < kThreads; ++t) {
      plugins.emplace_back(new MLogPlugIn(L"Worker" + std::to_wstring(t), L"worker"));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        const MLogPlugIn& mine = *plugins[t];
        for (int i = 0; i < kLines; ++i) {
          if (i % 3 == 0) {
            manager.InfoF(nullptr, L"app %d %d", t, i);  // the shared application plug-in
          } else if (i % 3 == 1) {
            mine.WarningF(L"line %d %d", t, i);
          } else {
            mine.Error((L"plain " + std::to_wstring(t) + L" " + std::to_wstring(i)).c_str());
          }
          mine.Trace(L"held back");
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  const std::vector<std::string> lines = zb::logtest::Lines(zb::logtest::ReadFile(path));
  CHECK_EQUAL(static_cast<size_t>(kThreads * kLines), lines.size());
  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t) {
    const std::string worker = "Worker" + std::to_string(t);
    for (int i = 0; i < kLines; ++i) {
      const std::string n = std::to_string(t) + " " + std::to_string(i);
      if (i % 3 == 0) {
        expected.insert("Log|INFO|app " + n);
      } else if (i % 3 == 1) {
        expected.insert(worker + "|WARN|line " + n);
      } else {
        expected.insert(worker + "|ERROR|plain " + n);
      }
    }
  }
  const std::set<std::string> got(lines.begin(), lines.end());
  CHECK(got == expected);
  CHECK_EQUAL(static_cast<size_t>(kThreads * kLines), window.entries.size());
}

}
