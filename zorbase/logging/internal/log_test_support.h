// Helpers shared by the logging tests (header-only; only *_test.cpp files include it): a log
// window that records what it is given, a capture of the debugger output, and temporary paths.
#pragma once

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <zorbase/logging/ILogWnd.h>
#include <zorbase/logging/MLogPlugIn.h>
#include <zorbase/platform/debug_output.h>
#include <zorbase/platform/process_id.h>

namespace zb {
namespace logtest {

// A fresh path under the test run's temporary root.
inline std::string TempPath(const std::string& name) {
  static std::atomic<int> counter{0};
  const char* root = std::getenv("ZORBASE_TEST_ROOT");
  std::string dir = root != nullptr && *root ? root : "/tmp";
  return dir + "/log_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++) + "_" + name;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Sends the debugger output into a fresh file for the lifetime of the object.
class DebugCapture {
 public:
  DebugCapture() : path_(TempPath("debug.txt")) {
    zb::platform::SetDebugOutputTarget(path_.c_str());
  }
  ~DebugCapture() { zb::platform::SetDebugOutputTarget(nullptr); }
  std::string Text() const { return ReadFile(path_); }

 private:
  std::string path_;
};

// A log window that records every call.
class RecordingWindow : public ILogWnd {
 public:
  struct Entry {
    std::wstring id;
    LONG level;
    std::wstring text;
  };
  explicit RecordingWindow(LONG show = 0x7) : show_(show) {}
  LONG GetShow() override { return show_; }
  void SetShow(LONG flags) override {
    set_show_calls.push_back(flags);
    show_ = flags & 0xF;
  }
  void Put(const MLogPlugIn* plugIn, LONG level, const wchar_t* text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    entries.push_back(Entry{plugIn != nullptr ? plugIn->GetID().Get() : L"", level, text});
  }
  void Clear() override { ++clears; }
  void SetOwnShow(LONG show) { show_ = show; }

  std::vector<Entry> entries;
  std::vector<LONG> set_show_calls;
  int clears = 0;

 private:
  std::mutex mutex_;
  LONG show_;
};

}  // namespace logtest
}  // namespace zb
