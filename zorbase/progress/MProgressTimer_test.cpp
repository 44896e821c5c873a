#include <zorbase/progress/MProgressTimer.h>

#include <UnitTest++/UnitTest++.h>

#include <string>
#include <vector>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/internal/log_test_support.h>
#include <zorbase/progress/internal/process_clock.h>

using zb::logtest::RecordingWindow;

namespace {

std::int32_t g_now = 0;
std::int32_t FakeClock() { return g_now; }

// Routes the timer's clock to g_now for one test.
struct FakeTime {
  explicit FakeTime(std::int32_t start) {
    g_now = start;
    zb::progress_internal::SetProcessClockForTesting(&FakeClock);
  }
  ~FakeTime() { zb::progress_internal::SetProcessClockForTesting(nullptr); }
};

std::vector<std::wstring> Texts(const RecordingWindow& window) {
  std::vector<std::wstring> texts;
  for (const auto& e : window.entries) texts.push_back(e.text);
  return texts;
}

}  // namespace

SUITE(MProgressTimer) {

TEST(StepsMeasureFromThePreviousStep) {
  FakeTime time(1000);
  RecordingWindow window;
  MLogManager manager;
  manager.OpenLogWnd(&window);
  MProgressTimer timer(true);
  g_now = 1250;
  timer.StepStarted(L"load");
  g_now = 2500;
  timer.StepComplete(L"load");
  g_now = 5000;
  timer.StepComplete(L"compute");
  g_now = 5010;
  timer.Complete(L"all");
  g_now = 6000;
  timer.StepComplete(L"tail");
  const std::vector<std::wstring> expected = {
      L"Started load, t = 0.250000.", L"Done load in 1.500000 s.", L"Done compute in 2.500000 s.",
      L"Done all in 4.010000 s.", L"Done tail in 1.000000 s."};
  CHECK(Texts(window) == expected);
  for (const auto& e : window.entries) CHECK_EQUAL(4, e.level);
}

TEST(DisabledTimerLogsNothingUntilEnabled) {
  FakeTime time(-100);  // the count may wrap; differences stay right
  RecordingWindow window;
  MLogManager manager;
  manager.OpenLogWnd(&window);
  MProgressTimer timer(false);
  g_now = 400;
  timer.StepStarted(L"quiet");
  timer.StepComplete(L"quiet");
  timer.Complete(L"quiet");
  CHECK(window.entries.empty());
  timer.Enable();
  g_now = 900;
  timer.StepStarted(L"loud");
  const std::vector<std::wstring> expected = {L"Started loud, t = 1.000000."};
  CHECK(Texts(window) == expected);
  MProgressTimer copy(false);
  copy = timer;
  copy.Complete(L"copy");
  CHECK_EQUAL(2u, window.entries.size());
}

TEST(WithoutManagerNothingIsWritten) {
  zb::logtest::DebugCapture capture;
  MProgressTimer timer(true);
  timer.StepStarted(L"alone");
  timer.Complete(L"alone");
  CHECK_EQUAL("", capture.Text());
}

}
