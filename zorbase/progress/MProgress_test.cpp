#include <zorbase/progress/MProgress.h>

#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/window_messages.h>
#include <zorbase/progress/IProgressSink.h>

namespace {

// What a UI target received; the caption of PROGRESS_MSG_TEXT is copied when it arrives.
struct Received {
  HWND window;
  UINT message;
  WPARAM level;
  LPARAM value;
  std::wstring text;
  bool operator==(const Received& o) const {
    return window == o.window && message == o.message && level == o.level && value == o.value &&
           text == o.text;
  }
};

std::mutex g_received_mutex;
std::vector<Received> g_received;
bool g_throw_on_end = false;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message < PROGRESS_MSG_BEGIN || message > PROGRESS_MSG_ABORT_BUTTON) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (message == PROGRESS_MSG_END && g_throw_on_end) throw std::runtime_error("target failed");
  Received r{window, message, wparam, message == PROGRESS_MSG_TEXT ? 0 : lparam,
             message == PROGRESS_MSG_TEXT ? reinterpret_cast<const wchar_t*>(lparam) : L""};
  std::lock_guard<std::mutex> lock(g_received_mutex);
  g_received.push_back(r);
  return 0;
}

HWND MakeTarget() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.lpszClassName = L"ZorProgressTestTarget";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExW(0, L"ZorProgressTestTarget", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         nullptr, nullptr);
}

std::vector<Received> TakeReceived() {
  std::lock_guard<std::mutex> lock(g_received_mutex);
  std::vector<Received> out;
  out.swap(g_received);
  return out;
}

// Gives each test a clean manager and removes its targets afterwards.
struct ManagerScope {
  std::vector<HWND> targets;
  explicit ManagerScope(int count = 0) {
    MProgress::ResetUITargets();
    MProgress::SetProcessOnlyCurrentThreadWindows(true);
    MProgressManager::SetSink(nullptr);
    for (int i = 0; i < count; ++i) {
      targets.push_back(MakeTarget());
      MProgress::AttachUITarget(0, targets.back());
    }
    TakeReceived();
  }
  ~ManagerScope() {
    MProgress::ResetUITargets();
    MProgress::SetProcessOnlyCurrentThreadWindows(true);
    MProgressManager::SetSink(nullptr);
    for (HWND w : targets) DestroyWindow(w);
    g_throw_on_end = false;
    TakeReceived();
  }
};

// Records each reported percentage.
class Probe : public MProgress {
 public:
  using MProgress::MProgress;
  std::vector<LONG> reported;
  LONG Last() const { return reported.empty() ? -1 : reported.back(); }

 protected:
  void _OnActualUpdate(LONG percent) override { reported.push_back(percent); }
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

SUITE(MProgress) {

TEST(PercentageRules) {
  ManagerScope scope;
  enum Op { kSet, kInc, kIncBy, kNext, kNextPos, kBegin };
  struct Step {
    Op op;
    double value;
  };
  struct Case {
    double start, end;
    std::vector<Step> steps;
    std::vector<LONG> reported;
  };
  const std::vector<Case> cases = {
      {0, 200, {{kSet, 1}, {kSet, 0.5}}, {1}},                       // 0 is not above 1
      {100, 0, {{kSet, 50}}, {50}},                                  // ends swapped
      {5, 5, {{kSet, 1}}, {100}},                                    // width 1
      {0, 10, {{kNext, 2.5}, {kInc, 0}, {kInc, 0}}, {25, 35}},       // next increment resets to 1
      {0, 10, {{kIncBy, 0}}, {}},                                    // not above 0
      {0, 10, {{kIncBy, 3}, {kIncBy, -2}, {kIncBy, 4}}, {30, 50}},   // negative increments
      {0, 10, {{kNextPos, 4}, {kInc, 0}}, {40}},
      {0, 100, {{kSet, 250}, {kSet, 99}}, {100}},                    // past the end shows 100
      {0, 100, {{kSet, kNaN}, {kSet, kInf}, {kIncBy, kNaN}, {kSet, 7}}, {7}},
      {kNaN, 100, {{kSet, 1}}, {100}},                               // empty range at 100
      {0, kInf, {{kSet, 1}}, {100}},                                 // empty range at 0
      {-1e308, 1e308, {{kSet, 1e307}}, {0}},                         // width overflows: scaler 0
      {0, 100, {{kSet, -1e300}, {kSet, 0}}, {0}},
      {0, 100, {{kBegin, 0}, {kSet, 40}, {kBegin, 0}, {kSet, 30}, {kSet, 60}}, {40, 60}},
  };
  for (const Case& c : cases) {
    Probe p(c.start, c.end);
    for (const Step& s : c.steps) {
      switch (s.op) {
        case kSet: p.SetCurrentPosition(s.value); break;
        case kInc: p.Increment(); break;
        case kIncBy: p.Increment(s.value); break;
        case kNext: p.SetNextIncrement(s.value); break;
        case kNextPos: p.SetNextPosition(s.value); break;
        case kBegin: p.Begin(0, 100); break;
      }
    }
    CHECK(p.reported == c.reported);
    if (p.reported != c.reported) std::printf("case %g..%g\n", c.start, c.end);
  }
}

TEST(MessagesToTheTargetOfEachLevel) {
  ManagerScope scope(1);
  HWND w = scope.targets[0];
  {
    MProgress outer(0, 10, false);
    outer.SetText(L"outer");
    CHECK(TakeReceived() == std::vector<Received>{});  // not begun: level SIZE_MAX
    outer.Begin(0, 10);
    outer.SetCurrentPosition(5);
    {
      MProgress inner;  // level 1 has no target: nothing is sent
      inner.SetText(L"inner");
      inner.SetCurrentPosition(50);
    }
    MProgress::EnableAbortButton(true);
    outer.End();
    outer.End();  // not begun: nothing
  }
  const std::vector<Received> expected = {
      {w, PROGRESS_MSG_TEXT, 0, 0, L"outer"},   {w, PROGRESS_MSG_BEGIN, 0, 0, L""},
      {w, PROGRESS_MSG_UPDATE, 0, 50, L""},     {w, PROGRESS_MSG_TEXT, 0, 0, L"outer"},
      {w, PROGRESS_MSG_ABORT_BUTTON, 0, 1, L""}, {w, PROGRESS_MSG_END, 0, 0, L""}};
  CHECK(TakeReceived() == expected);
}

TEST(ParentWithAdjustFlagShowsChildInsideItsShare) {
  ManagerScope scope(2);
  HWND w0 = scope.targets[0], w1 = scope.targets[1];
  Probe parent(0, 100);
  parent.SetCurrentPosition(40);
  parent.SetNextIncrement(20);
  parent.SetAdjustByLowerLevels(true);
  {
    Probe child(0, 10);
    child.SetCurrentPosition(5);  // child 50 %: parent (50 * 20 / 100 + 40) = 50 %
    CHECK_EQUAL(50, parent.Last());
    parent.SetAdjustByLowerLevels(false);
    child.SetCurrentPosition(10);
    CHECK_EQUAL(50, parent.Last());  // flag off: the parent's display stays
  }
  const std::vector<Received> received = TakeReceived();
  std::vector<Received> updates;
  for (const Received& r : received) {
    if (r.message == PROGRESS_MSG_UPDATE) updates.push_back(r);
  }
  const std::vector<Received> expected = {{w0, PROGRESS_MSG_UPDATE, 0, 40, L""},
                                          {w1, PROGRESS_MSG_UPDATE, 1, 50, L""},
                                          {w0, PROGRESS_MSG_UPDATE, 0, 50, L""},
                                          {w1, PROGRESS_MSG_UPDATE, 1, 100, L""}};
  CHECK(updates == expected);
}

TEST(StoredTargetsAndUnbalancedUse) {
  ManagerScope scope(1);
  MProgressManager::RestoreUITargets();  // nothing stored: targets stay
  MProgressManager::StoreUITargets();
  MProgress::ResetUITargets();
  { MProgress quiet; }
  CHECK(TakeReceived().empty());
  MProgressManager::RestoreUITargets();
  {
    // A parent destroyed while its child is still begun leaves a consistent chain.
    auto* parent = new MProgress(0, 10);
    Probe child(0, 10);
    delete parent;
    child.SetCurrentPosition(5);
    MProgress::IncrementLast(1);  // the innermost is the child
    CHECK_EQUAL(60, child.Last());
  }
  MProgress after;
  after.SetCurrentPosition(100);
  auto received = TakeReceived();
  CHECK(!received.empty());
  CHECK_EQUAL(PROGRESS_MSG_UPDATE, received.back().message);
  CHECK_EQUAL(0u, received.back().level);  // the chain was emptied: level 0 again
}

TEST(ThrowingTargetDoesNotEscapeTheDestructor) {
  ManagerScope scope(1);
  g_throw_on_end = true;
  { MProgress p; }
  g_throw_on_end = false;
  MProgress next;
  next.SetCurrentPosition(1);
  auto received = TakeReceived();
  CHECK_EQUAL(0u, received.back().level);
}

TEST(SinkIsCalledAndMayRemoveItselfOrThrow) {
  ManagerScope scope;
  struct Sink : IProgressSink {
    int calls = 0;
    bool remove = false;
    bool fail = false;
    void Notify() override {
      ++calls;
      if (remove) MProgressManager::SetSink(nullptr);
      if (fail) throw std::runtime_error("sink failed");
    }
  } sink;
  MProgressManager::SetSink(&sink);
  Probe p(0, 10);
  p.Increment();
  p.SetText(L"x");
  CHECK_EQUAL(2, sink.calls);
  sink.fail = true;
  CHECK_THROW(p.Increment(), std::runtime_error);
  CHECK(p.reported == std::vector<LONG>{10});  // the position did not move
  sink.fail = false;
  sink.remove = true;
  p.Increment();
  p.Increment();
  CHECK_EQUAL(4, sink.calls);
  CHECK(p.reported == (std::vector<LONG>{10, 20, 30}));
}

TEST(AbortFlagPointersAndResourceText) {
  ManagerScope scope;
  MProgress::SetAbortFlag(true);
  CHECK(MProgress::GetAbortFlag());
  MProgress::ResetAbortFlag();
  CHECK(!MProgress::GetAbortFlag());
  auto pointers = MProgress::GetProgressPointers();
  pointers.pop_back();  // empty: nothing happens
  CHECK(pointers.back() == nullptr);
  MProgress p(0, 1, false);
  pointers.push_back(&p);
  CHECK_EQUAL(1u, pointers.size());
  CHECK(MProgressManager::back() == &p);
  MProgressManager::pop_back();
  CHECK_EQUAL(0u, pointers.size());
  CHECK(p.SetText(L"caption"));
  CHECK(p.SetText(12345u));  // without a resource-string wrapper the text is empty
  CHECK(p.GetText().empty());
  CHECK(p.SetText(static_cast<const wchar_t*>(nullptr)));
}

TEST(OtherThreadsTargetsGetPostsOnlyWhenAllowedAndWhenTheyPump) {
  ManagerScope scope;
  std::mutex mutex;
  std::condition_variable cv;
  HWND target = nullptr;
  bool pump = false, flushed = false;
  constexpr UINT kFlush = WM_APP + 7;
  std::thread owner([&] {
    HWND w = MakeTarget();
    {
      std::lock_guard<std::mutex> lock(mutex);
      target = w;
    }
    cv.notify_all();
    {
      std::unique_lock<std::mutex> lock(mutex);
      cv.wait(lock, [&] { return pump; });
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == kFlush) {
        {
          std::lock_guard<std::mutex> lock(mutex);
          flushed = true;
        }
        cv.notify_all();
        break;
      }
      DispatchMessageW(&msg);
    }
    DestroyWindow(w);
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return target != nullptr; });
  }
  MProgress::AttachUITarget(0, target);
  { MProgress dropped; dropped.SetCurrentPosition(10); }  // default: other threads' targets get nothing
  MProgress::SetProcessOnlyCurrentThreadWindows(false);
  MProgress posted;
  posted.SetCurrentPosition(30);
  CHECK(TakeReceived().empty());  // queued until the owner pumps
  PostMessageW(target, kFlush, 0, 0);
  {
    std::lock_guard<std::mutex> lock(mutex);
    pump = true;
  }
  cv.notify_all();
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return flushed; });
  }
  owner.join();
  const std::vector<Received> expected = {{target, PROGRESS_MSG_TEXT, 0, 0, L""},
                                          {target, PROGRESS_MSG_BEGIN, 0, 0, L""},
                                          {target, PROGRESS_MSG_UPDATE, 0, 30, L""}};
  CHECK(TakeReceived() == expected);
}

TEST(SeveralThreadsDriveOneProgress) {
  ManagerScope scope(1);
  Probe parent(0, 100);
  parent.SetNextIncrement(100);
  parent.SetAdjustByLowerLevels(true);
  Probe shared(0, 4000);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&shared, t] {
      for (int i = 0; i < 1000; ++i) {
        if (i % 2 == 0) {
          shared.Increment();
        } else {
          shared.SetCurrentPosition(t * 1000 + i);
        }
        if (i % 100 == 0) shared.SetText(L"busy");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  shared.SetCurrentPosition(4000);
  for (std::size_t i = 1; i < shared.reported.size(); ++i) {
    CHECK(shared.reported[i] > shared.reported[i - 1]);
  }
  CHECK_EQUAL(100, shared.Last());
  CHECK_EQUAL(100, parent.Last());
}

}
