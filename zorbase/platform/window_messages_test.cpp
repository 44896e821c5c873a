#include <zorbase/platform/window_messages.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <UnitTest++/UnitTest++.h>

#include <zorbase/platform/last_error.h>
#include <zorbase/platform/thread_id.h>

namespace {

constexpr UINT kAsk = WM_APP + 1;       // returns wParam * 2 and the handling thread in lParam
constexpr UINT kForward = WM_APP + 2;   // sends kAsk to the window in wParam and returns its reply
constexpr UINT kCount = WM_APP + 3;     // counts calls in the window's user data
constexpr UINT kDone = WM_APP + 4;      // counts finished peers

std::atomic<int> g_destroyed{0};
std::atomic<LPVOID> g_create_param{nullptr};

LRESULT CALLBACK TestProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_create_param = reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams;
      return 0;
    case WM_DESTROY:
      ++g_destroyed;
      return 0;
    case kAsk:
      if (lparam != 0) *reinterpret_cast<DWORD*>(lparam) = GetCurrentThreadId();
      return static_cast<LRESULT>(wparam * 2);
    case kForward:
      return SendMessageW(reinterpret_cast<HWND>(wparam), kAsk, 21, lparam);
    case kCount:
    case kDone: {
      auto* counts = reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (counts != nullptr) ++counts[message == kCount ? (lparam == 0 ? 0 : 1) : 2];
      return 1;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

// Registers the test class once per process.
const wchar_t* TestClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = L"ZorTestTarget";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return L"ZorTestTarget";
}

HWND MakeTarget(LPVOID param = nullptr) {
  return CreateWindowExW(0, TestClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, param);
}

// A thread that owns one target and pumps with GetMessageW until WM_QUIT.
class PumpThread {
 public:
  PumpThread() {
    thread_ = std::thread([this] {
      HWND window = MakeTarget();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        window_ = window;
        id_ = GetCurrentThreadId();
      }
      ready_.notify_all();
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      DestroyWindow(window);
    });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return window_ != nullptr; });
  }
  ~PumpThread() { Stop(); }
  void Stop() {
    if (!thread_.joinable()) return;
    PostMessageW(window_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  DWORD id() const { return id_; }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  HWND window_ = nullptr;
  DWORD id_ = 0;
  std::thread thread_;
};

}  // namespace

SUITE(WindowMessages) {

TEST(ClassesAndWindowsOnTheCallingThread) {
  int marker = 0;
  HWND window = MakeTarget(&marker);
  CHECK(window != nullptr);
  CHECK(g_create_param == &marker);
  CHECK(IsWindow(window));
  DWORD pid = 0;
  CHECK_EQUAL(GetCurrentThreadId(), GetWindowThreadProcessId(window, &pid));
  CHECK(pid != 0);
  DWORD handled_by = 0;
  CHECK_EQUAL(42, SendMessageW(window, kAsk, 21, reinterpret_cast<LPARAM>(&handled_by)));
  CHECK_EQUAL(GetCurrentThreadId(), handled_by);

  WNDCLASSW again{};
  again.lpfnWndProc = TestProc;
  again.lpszClassName = L"zortesttarget";  // names ignore case
  CHECK_EQUAL(0, RegisterClassW(&again));
  CHECK_EQUAL(ERROR_CLASS_ALREADY_EXISTS, GetLastError());
  CHECK_EQUAL(0, RegisterClassW(nullptr));
  CHECK(CreateWindowExW(0, L"NoSuchClass", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr) == nullptr);
  CHECK_EQUAL(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
  CHECK(!UnregisterClassW(TestClass(), nullptr));
  CHECK_EQUAL(ERROR_CLASS_HAS_WINDOWS, GetLastError());

  const int destroyed = g_destroyed;
  CHECK(DestroyWindow(window));
  CHECK_EQUAL(destroyed + 1, g_destroyed.load());
  CHECK(!IsWindow(window));
  // A destroyed target gives 1400 everywhere.
  SetLastError(0);
  CHECK_EQUAL(0, SendMessageW(window, kAsk, 1, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  CHECK(!PostMessageW(window, kAsk, 1, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  CHECK(!DestroyWindow(window));
  CHECK_EQUAL(0u, GetWindowThreadProcessId(window, nullptr));
  CHECK_EQUAL(0, SendMessageW(nullptr, kAsk, 1, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST(PostedMessagesWaitForThePumpAndHonourFilters) {
  HWND first = MakeTarget();
  HWND second = MakeTarget();
  CHECK(PostMessageW(first, kAsk, 1, 0));
  CHECK(PostMessageW(second, kAsk + 10, 2, 0));
  CHECK(PostMessageW(nullptr, kAsk, 3, 0));  // a thread message
  MSG msg;
  CHECK(PeekMessageW(&msg, second, 0, 0, PM_NOREMOVE));
  CHECK(msg.hwnd == second && msg.wParam == 2);
  CHECK(!PeekMessageW(&msg, first, kAsk + 1, kAsk + 20, PM_REMOVE));
  CHECK(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  CHECK(msg.hwnd == nullptr && msg.wParam == 3);
  CHECK(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  CHECK(msg.hwnd == first);
  CHECK_EQUAL(2, DispatchMessageW(&msg));
  // Destroying a window discards what is still posted to it.
  CHECK(DestroyWindow(second));
  CHECK(!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  PostQuitMessage(7);
  CHECK_EQUAL(0, GetMessageW(&msg, nullptr, 0, 0));
  CHECK_EQUAL(7u, msg.wParam);
  CHECK_EQUAL(-1, GetMessageW(&msg, second, 0, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  DestroyWindow(first);
}

TEST(PostedQueueHasAQuota) {
  HWND window = MakeTarget();
  unsigned posted = 0;
  while (posted < kPostedMessageQuota + 1 && PostMessageW(window, kAsk, 0, 0)) ++posted;
  CHECK_EQUAL(kPostedMessageQuota, posted);
  CHECK_EQUAL(ERROR_NOT_ENOUGH_QUOTA, GetLastError());
  DestroyWindow(window);  // discards them
  MSG msg;
  CHECK(!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(SendToAnotherThreadRunsOnTheOwnerThread) {
  PumpThread owner;
  CHECK_EQUAL(owner.id(), GetWindowThreadProcessId(owner.window(), nullptr));
  CHECK(owner.id() != GetCurrentThreadId());
  DWORD handled_by = 0;
  CHECK_EQUAL(10, SendMessageW(owner.window(), kAsk, 5, reinterpret_cast<LPARAM>(&handled_by)));
  CHECK_EQUAL(owner.id(), handled_by);
  // A thread cannot destroy another thread's window.
  CHECK(!DestroyWindow(owner.window()));
  CHECK_EQUAL(ERROR_ACCESS_DENIED, GetLastError());
}

TEST(SenderHandlesMessagesSentBackToItWhileItWaits) {
  PumpThread owner;
  HWND mine = MakeTarget();
  DWORD handled_by = 0;
  // The owner's procedure sends back to our window while we wait for its reply.
  const LRESULT result = SendMessageW(owner.window(), kForward, reinterpret_cast<WPARAM>(mine),
                                      reinterpret_cast<LPARAM>(&handled_by));
  CHECK_EQUAL(42, result);
  CHECK_EQUAL(GetCurrentThreadId(), handled_by);
  DestroyWindow(mine);
}

TEST(TargetsOfAnEndedThreadFailWithoutBlocking) {
  HWND orphan = nullptr;
  std::thread([&orphan] { orphan = MakeTarget(); }).join();
  CHECK(orphan != nullptr);
  CHECK(!IsWindow(orphan));
  CHECK_EQUAL(0, SendMessageW(orphan, kAsk, 1, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  CHECK(!PostMessageW(orphan, kAsk, 1, 0));

  // A sender already waiting when the owner ends is released with the same error.
  std::mutex mutex;
  std::condition_variable cv;
  HWND window = nullptr;
  std::thread owner([&] {
    HWND created = MakeTarget();
    {
      std::lock_guard<std::mutex> lock(mutex);
      window = created;
    }
    cv.notify_all();
    // Ends without ever pumping.
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return window != nullptr; });
  }
  SetLastError(0);
  CHECK_EQUAL(0, SendMessageW(window, kAsk, 1, 0));
  CHECK_EQUAL(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
  owner.join();
}

TEST(EightThreadsSendAndPostToEachOther) {
  constexpr int kThreads = 8;
  constexpr int kSends = 200;
  constexpr int kPosts = 200;
  std::vector<HWND> windows(kThreads, nullptr);
  std::vector<std::atomic<int>> counts(kThreads * 3);
  std::atomic<int> created{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      HWND mine = MakeTarget();
      SetWindowLongPtrW(mine, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&counts[t * 3]));
      windows[t] = mine;
      ++created;
      MSG msg;
      while (created.load() < kThreads) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      }
      for (int i = 0; i < kSends + kPosts; ++i) {
        HWND peer = windows[(t + 1 + i % (kThreads - 1)) % kThreads];
        if (i % 2 == 0) {
          SendMessageW(peer, kCount, 0, 0);
        } else {
          PostMessageW(peer, kCount, 0, 1);
        }
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      }
      for (int p = 0; p < kThreads; ++p) {
        if (p != t) PostMessageW(windows[p], kDone, 0, 0);
      }
      // Keep pumping until every peer has finished sending to us.
      while (counts[t * 3 + 2].load() < kThreads - 1 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
      }
      DestroyWindow(mine);
    });
  }
  for (auto& thread : threads) thread.join();
  int sent = 0, posted = 0;
  for (int t = 0; t < kThreads; ++t) {
    sent += counts[t * 3];
    posted += counts[t * 3 + 1];
    CHECK_EQUAL(kThreads - 1, counts[t * 3 + 2].load());
  }
  CHECK_EQUAL(kThreads * kSends, sent);
  CHECK_EQUAL(kThreads * kPosts, posted);
}

}
