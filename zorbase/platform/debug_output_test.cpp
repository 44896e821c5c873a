#include <zorbase/platform/debug_output.h>

#include <UnitTest++/UnitTest++.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <zorbase/logging/internal/log_test_support.h>
#include <zorbase/platform/codepage.h>

SUITE(DebugOutput) {

TEST(FileTargetReceivesUtf8) {
  zb::logtest::DebugCapture capture;
  OutputDebugStringW(L"wide \u00e9\u4e2d\n");
  OutputDebugStringW(nullptr);
  OutputDebugStringA("narrow \xe9\n");  // ANSI code page (1252 by default): e-acute
  const std::string expected_narrow = GetACP() == 1252 ? "narrow \xc3\xa9\n" : "";
  const std::string text = capture.Text();
  CHECK_EQUAL(0u, text.find("wide \xc3\xa9\xe4\xb8\xad\n"));
  if (!expected_narrow.empty()) CHECK(text.find(expected_narrow) != std::string::npos);
}

TEST(EnvironmentChoosesTheTargetAndEmptyDrops) {
  const std::string path = zb::logtest::TempPath("env_debug.txt");
  setenv("ZORBASE_DEBUG_OUTPUT", path.c_str(), 1);
  zb::platform::SetDebugOutputTarget(nullptr);  // read the variable again
  CHECK(zb::platform::DebugOutputEnabled());
  OutputDebugStringW(L"one");
  OutputDebugStringW(L"two");
  setenv("ZORBASE_DEBUG_OUTPUT", "", 1);
  zb::platform::SetDebugOutputTarget(nullptr);
  CHECK(!zb::platform::DebugOutputEnabled());
  OutputDebugStringW(L"dropped");
  unsetenv("ZORBASE_DEBUG_OUTPUT");
  zb::platform::SetDebugOutputTarget(nullptr);
  CHECK(!zb::platform::DebugOutputEnabled());
  CHECK_EQUAL("onetwo", zb::logtest::ReadFile(path));
}

TEST(UnwritableTargetDrops) {
  zb::platform::SetDebugOutputTarget("/nonexistent-dir/zorbase/debug.txt");
  CHECK(!zb::platform::DebugOutputEnabled());
  OutputDebugStringW(L"nowhere");
  zb::platform::SetDebugOutputTarget(nullptr);
}

TEST(DebuggerPresenceFollowsTracerPid) {
  std::ifstream status("/proc/self/status");
  std::string line;
  bool traced = false;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) traced = std::atoi(line.c_str() + 10) != 0;
  }
  CHECK_EQUAL(traced ? 1 : 0, IsDebuggerPresent());
}

}
