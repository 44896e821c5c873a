#include <zorbase/system/MWorkerThread.h>

#include <UnitTest++/UnitTest++.h>

#include <atomic>

#include <zorbase/platform/clocks.h>

namespace {

// Counts until asked to stop (or, when `ignore_stop_ms` is set, keeps going that long after).
class Counter : public MWorkerThread {
 public:
  explicit Counter(DWORD ignore_stop_ms = 0) : ignore_stop_ms_(ignore_stop_ms) {}
  ~Counter() override { TerminateAndWait(INFINITE); }
  bool Running() const { return m_hThread.load() != nullptr; }
  bool StopRequested() const { return m_stopRequested; }
  std::atomic<int> rounds{0};

 protected:
  DWORD _OnWork() override {
    while (!m_stopRequested) {
      ++rounds;
      Sleep(1);
    }
    if (ignore_stop_ms_) Sleep(ignore_stop_ms_);
    return 7;
  }

 private:
  DWORD ignore_stop_ms_;
};

class Once : public MWorkerThread {
 public:
  ~Once() override { TerminateAndWait(INFINITE); }
  bool Running() const { return m_hThread.load() != nullptr; }
  bool StopRequested() const { return m_stopRequested; }

 protected:
  DWORD _OnWork() override { return 0; }
};

}  // namespace

SUITE(MWorkerThread) {

TEST(StartsRunsAndStopsOnRequest) {
  Counter counter;
  CHECK(counter.StartThread());
  CHECK(!counter.StopRequested());
  while (counter.rounds < 3) Sleep(1);
  CHECK(counter.TerminateAndWait(INFINITE));
  CHECK(!counter.Running());
  CHECK(counter.StopRequested());
}

TEST(ThreadThatEndedByItselfClearsItsHandle) {
  Once once;
  CHECK(once.StartThread());
  while (once.Running()) Sleep(1);
  CHECK(once.StopRequested());
  CHECK(once.TerminateAndWait(0));  // at once
}

TEST(BoundedWaitReportsAThreadThatStillRuns) {
  Counter slow(300);
  CHECK(slow.StartThread());
  CHECK(!slow.TerminateAndWait(10));
  CHECK(slow.StopRequested());
  CHECK(slow.TerminateAndWait(INFINITE));
  CHECK(!slow.Running());
}

TEST(CanStartAgainAfterTheThreadEnded) {
  Counter counter;
  for (int i = 0; i < 3; ++i) {
    CHECK(counter.StartThread());
    CHECK(counter.TerminateAndWait(INFINITE));
  }
}

TEST(ParallelModeIsOneProcessWideSwitch) {
  CHECK(!IParallel::GetGlobalParallelMode());
  IParallel::SetGlobalParallelMode(true);
  CHECK(IParallel::GetGlobalParallelMode());
  IParallel::SetGlobalParallelMode(false);
}

}
