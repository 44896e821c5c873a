// Message targets, sends, posts and the pump on the C++ standard library; portable code. The only
// system facts it needs (thread and process identifiers) come from threads.h and process_id.h.
#include <zorbase/platform/window_messages.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <zorbase/platform/internal/ascii.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/process_id.h>
#include <zorbase/platform/threads.h>
#include <zorbase/platform/win_errors.h>

namespace {

struct ThreadQueue;

// A SendMessageW call waiting for another thread. Its result fields are written under the
// sender's queue mutex, which the sender waits on.
struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  std::shared_ptr<ThreadQueue> sender;
  LRESULT result = 0;
  DWORD error = 0;
  bool done = false;
};

// One thread's message state. Lock order: the registry mutex before any queue mutex.
struct ThreadQueue {
  DWORD thread_id = 0;
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;  // calls other threads made to our windows
  bool alive = true;
};

struct WindowClass {
  ATOM atom;
  std::wstring name;
  WNDPROC proc;
  HINSTANCE instance;
  unsigned windows = 0;
};

struct Window {
  WNDPROC proc;
  ATOM atom;
  std::shared_ptr<ThreadQueue> owner;
  HWND parent = nullptr;  // null for a top-level window
  LONG_PTR user_data = 0;
  bool enabled = true;  // under the registry mutex
  bool destroying = false;
};

// The calling thread's input state: the window with the mouse capture, the one with the keyboard
// focus and the active top-level window. Only the owner thread sets them (each call acts on the
// calling thread's own windows), so they need no lock.
struct InputState {
  HWND capture = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
};
thread_local InputState t_input;

// A window that goes away keeps no capture, focus or activation.
void ForgetInput(HWND handle) {
  if (t_input.capture == handle) t_input.capture = nullptr;
  if (t_input.focus == handle) t_input.focus = nullptr;
  if (t_input.active == handle) t_input.active = nullptr;
}

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::wstring, WindowClass> classes;  // by folded name
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  std::uintptr_t next_handle = 0x10000;
  ATOM next_atom = 0xC000;
};

// Never destroyed: threads may still use windows while static objects go away at exit.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

void CompleteSent(SentMessage& sent, LRESULT result, DWORD error) {
  std::shared_ptr<ThreadQueue> sender = sent.sender;
  {
    std::lock_guard<std::mutex> lock(sender->mutex);
    sent.result = result;
    sent.error = error;
    sent.done = true;
  }
  sender->wake.notify_all();
}

void EndThread(const std::shared_ptr<ThreadQueue>& queue);

// Holds the calling thread's queue; its destruction at thread exit ends the thread's windows.
struct ThreadHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~ThreadHolder() {
    if (queue) EndThread(queue);
  }
};
thread_local ThreadHolder t_thread;

const std::shared_ptr<ThreadQueue>& CurrentQueue() {
  if (!t_thread.queue) {
    t_thread.queue = std::make_shared<ThreadQueue>();
    t_thread.queue->thread_id = GetCurrentThreadId();
  }
  return t_thread.queue;
}

void EndThread(const std::shared_ptr<ThreadQueue>& queue) {
  Registry& registry = TheRegistry();
  std::deque<std::shared_ptr<SentMessage>> waiting;
  {
    std::lock_guard<std::mutex> registry_lock(registry.mutex);
    for (auto it = registry.windows.begin(); it != registry.windows.end();) {
      if (it->second->owner == queue) {
        for (auto& entry : registry.classes) {
          if (entry.second.atom == it->second->atom && entry.second.windows > 0) --entry.second.windows;
        }
        it = registry.windows.erase(it);
      } else {
        ++it;
      }
    }
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->alive = false;
    queue->posted.clear();
    waiting.swap(queue->sent);
  }
  for (auto& sent : waiting) CompleteSent(*sent, 0, ERROR_INVALID_WINDOW_HANDLE);
}

std::shared_ptr<Window> FindWindowObject(HWND window) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.windows.find(window);
  return it == registry.windows.end() ? nullptr : it->second;
}

std::wstring FoldedName(LPCWSTR name) {
  std::wstring folded(name);
  for (wchar_t& c : folded) c = zb::internal::AsciiToLower(c);
  return folded;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<std::uintptr_t>(name) < 0x10000; }

// The class named by `name` (a string or an atom); the registry mutex is held.
WindowClass* FindClassLocked(Registry& registry, LPCWSTR name) {
  if (name == nullptr) return nullptr;
  if (IsAtom(name)) {
    const ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (auto& entry : registry.classes) {
      if (entry.second.atom == atom) return &entry.second;
    }
    return nullptr;
  }
  auto it = registry.classes.find(FoldedName(name));
  return it == registry.classes.end() ? nullptr : &it->second;
}

// Runs a call that another thread sent to one of our windows and wakes the sender. An exception
// of the procedure still completes the call (result 0) before it continues on this thread.
void DeliverSent(const std::shared_ptr<SentMessage>& sent, const std::shared_ptr<ThreadQueue>& self) {
  std::shared_ptr<Window> target = FindWindowObject(sent->window);
  if (!target || target->owner != self) {
    CompleteSent(*sent, 0, ERROR_INVALID_WINDOW_HANDLE);
    return;
  }
  LRESULT result = 0;
  try {
    result = target->proc(sent->window, sent->message, sent->wparam, sent->lparam);
  } catch (...) {
    CompleteSent(*sent, 0, 0);
    throw;
  }
  CompleteSent(*sent, result, 0);
}

// Handles every call that other threads sent to the calling thread's windows.
void DeliverPendingSent(const std::shared_ptr<ThreadQueue>& self) {
  for (;;) {
    std::shared_ptr<SentMessage> next;
    {
      std::lock_guard<std::mutex> lock(self->mutex);
      if (self->sent.empty()) return;
      next = self->sent.front();
      self->sent.pop_front();
    }
    DeliverSent(next, self);
  }
}

bool Matches(const MSG& msg, HWND window, UINT low, UINT high) {
  if (window == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
    if (msg.hwnd != nullptr) return false;
  } else if (window != nullptr && msg.hwnd != window) {
    return false;
  }
  if (low == 0 && high == 0) return true;
  return msg.message >= low && msg.message <= high;
}

// Takes (or with `remove` false, copies) the first matching posted message; the queue's mutex is
// held.
bool TakePostedLocked(ThreadQueue& queue, LPMSG out, HWND window, UINT low, UINT high, bool remove) {
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, window, low, high)) continue;
    *out = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  return false;
}

DWORD NowMilliseconds() {
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count());
}

bool PostTo(ThreadQueue& queue, HWND window, UINT message, WPARAM wparam, LPARAM lparam,
            bool quota) {
  {
    std::lock_guard<std::mutex> lock(queue.mutex);
    if (!queue.alive) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
    if (quota && queue.posted.size() >= kPostedMessageQuota) {
      SetLastError(ERROR_NOT_ENOUGH_QUOTA);
      return false;
    }
    queue.posted.push_back(MSG{window, message, wparam, lparam, NowMilliseconds(), POINT{0, 0}});
  }
  queue.wake.notify_all();
  return true;
}

}  // namespace

ATOM RegisterClassW(const WNDCLASSW* wndClass) {
  if (wndClass == nullptr || wndClass->lpfnWndProc == nullptr || wndClass->lpszClassName == nullptr ||
      IsAtom(wndClass->lpszClassName) || wndClass->lpszClassName[0] == L'\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::wstring key = FoldedName(wndClass->lpszClassName);
  if (registry.classes.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  if (registry.next_atom == 0) {  // every atom handed out
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  const ATOM atom = registry.next_atom++;
  registry.classes.emplace(key, WindowClass{atom, wndClass->lpszClassName, wndClass->lpfnWndProc,
                                            wndClass->hInstance, 0});
  return atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  WindowClass* found = FindClassLocked(registry, className);
  if (found == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (found->windows != 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  registry.classes.erase(FoldedName(found->name.c_str()));
  return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  const std::shared_ptr<ThreadQueue>& self = CurrentQueue();
  Registry& registry = TheRegistry();
  auto window = std::make_shared<Window>();
  HWND handle;
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (parent != nullptr && parent != HWND_MESSAGE && registry.windows.count(parent) == 0) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    WindowClass* window_class = FindClassLocked(registry, className);
    if (window_class == nullptr) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    window->proc = window_class->proc;
    window->atom = window_class->atom;
    window->owner = self;
    window->parent = parent;
    ++window_class->windows;
    handle = reinterpret_cast<HWND>(registry.next_handle);
    registry.next_handle += 4;
    registry.windows.emplace(handle, window);
  }
  CREATESTRUCTW create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                       windowName, className, exStyle};
  const LPARAM create_param = reinterpret_cast<LPARAM>(&create);
  bool created;
  try {
    created = window->proc(handle, WM_NCCREATE, 0, create_param) != FALSE &&
              window->proc(handle, WM_CREATE, 0, create_param) != -1;
  } catch (...) {
    DestroyWindow(handle);  // a window whose creation failed does not stay behind
    throw;
  }
  if (!created) {
    DestroyWindow(handle);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return handle;
}

BOOL DestroyWindow(HWND handle) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->owner != CurrentQueue()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (window->destroying) return TRUE;  // DestroyWindow from its own WM_DESTROY
  window->destroying = true;
  // The handle goes away even when the procedure throws.
  struct Remove {
    HWND handle;
    std::shared_ptr<Window> window;
    ~Remove() {
      Registry& registry = TheRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      registry.windows.erase(handle);
      for (auto& entry : registry.classes) {
        if (entry.second.atom == window->atom && entry.second.windows > 0) --entry.second.windows;
      }
      std::lock_guard<std::mutex> queue_lock(window->owner->mutex);
      auto& posted = window->owner->posted;
      for (auto it = posted.begin(); it != posted.end();) {
        it = it->hwnd == handle ? posted.erase(it) : it + 1;
      }
    }
  } remove{handle, window};
  ForgetInput(handle);
  window->proc(handle, WM_DESTROY, 0, 0);
  window->proc(handle, WM_NCDESTROY, 0, 0);
  return TRUE;
}

BOOL IsWindow(HWND window) { return FindWindowObject(window) ? TRUE : FALSE; }

LRESULT DefWindowProcW(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_NCCREATE ? TRUE : 0;
}

LRESULT SendMessageW(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  const std::shared_ptr<ThreadQueue>& self = CurrentQueue();
  if (window->owner == self) return window->proc(handle, message, wparam, lparam);

  auto sent = std::make_shared<SentMessage>();
  sent->window = handle;
  sent->message = message;
  sent->wparam = wparam;
  sent->lparam = lparam;
  sent->sender = self;
  {
    std::lock_guard<std::mutex> lock(window->owner->mutex);
    if (!window->owner->alive) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    window->owner->sent.push_back(sent);
  }
  window->owner->wake.notify_all();

  // Wait for the reply; calls sent to our own windows meanwhile are handled here.
  std::unique_lock<std::mutex> lock(self->mutex);
  while (!sent->done) {
    if (!self->sent.empty()) {
      std::shared_ptr<SentMessage> incoming = self->sent.front();
      self->sent.pop_front();
      lock.unlock();
      DeliverSent(incoming, self);
      lock.lock();
      continue;
    }
    self->wake.wait(lock);
  }
  if (sent->error != 0) SetLastError(sent->error);
  return sent->result;
}

BOOL PostMessageW(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  if (handle == nullptr) return PostTo(*CurrentQueue(), nullptr, message, wparam, lparam, true);
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return PostTo(*window->owner, handle, message, wparam, lparam, true) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
  PostTo(*CurrentQueue(), nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, false);
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::shared_ptr<ThreadQueue>& self = CurrentQueue();
  DeliverPendingSent(self);
  std::lock_guard<std::mutex> lock(self->mutex);
  return TakePostedLocked(*self, msg, window, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (window != nullptr && window != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) &&
      !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  const std::shared_ptr<ThreadQueue>& self = CurrentQueue();
  std::unique_lock<std::mutex> lock(self->mutex);
  for (;;) {
    if (!self->sent.empty()) {
      lock.unlock();
      DeliverPendingSent(self);
      lock.lock();
      continue;
    }
    if (TakePostedLocked(*self, msg, window, filterMin, filterMax, true)) {
      return msg->message == WM_QUIT ? 0 : 1;
    }
    self->wake.wait(lock);
  }
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  std::shared_ptr<Window> window = FindWindowObject(msg->hwnd);
  if (!window || window->owner != CurrentQueue()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = GetCurrentProcessId();
  return window->owner->thread_id;
}

namespace {

// The user-data slot of `handle` for `index`; null with the last error set when the window or the
// index is unknown. The registry mutex is held by the caller.
LONG_PTR* UserDataLocked(Registry& registry, HWND handle, int index) {
  auto it = registry.windows.find(handle);
  if (it == registry.windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (index != GWLP_USERDATA) {
    SetLastError(ERROR_INVALID_INDEX);
    return nullptr;
  }
  return &it->second->user_data;
}

}  // namespace

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  LONG_PTR* slot = UserDataLocked(registry, handle, index);
  return slot != nullptr ? *slot : 0;
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  LONG_PTR* slot = UserDataLocked(registry, handle, index);
  if (slot == nullptr) return 0;
  const LONG_PTR previous = *slot;
  *slot = value;
  SetLastError(0);
  return previous;
}

namespace {

// The window `handle` when it exists and belongs to the calling thread; else null with the last
// error set (ERROR_INVALID_WINDOW_HANDLE, or ERROR_ACCESS_DENIED for another thread's window).
std::shared_ptr<Window> OwnWindow(HWND handle) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (window->owner != CurrentQueue()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return window;
}

}  // namespace

BOOL EnableWindow(HWND handle, BOOL enable) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool wanted = enable != FALSE;
  bool was_enabled;
  {
    std::lock_guard<std::mutex> lock(TheRegistry().mutex);
    was_enabled = window->enabled;
    window->enabled = wanted;
  }
  if (was_enabled != wanted) {
    if (!wanted && window->owner == CurrentQueue()) {
      if (t_input.focus == handle) t_input.focus = nullptr;
      if (t_input.capture == handle) t_input.capture = nullptr;
    }
    SendMessageW(handle, WM_ENABLE, wanted ? TRUE : FALSE, 0);
  }
  return was_enabled ? FALSE : TRUE;
}

BOOL IsWindowEnabled(HWND handle) {
  std::shared_ptr<Window> window = FindWindowObject(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(TheRegistry().mutex);
  return window->enabled ? TRUE : FALSE;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam) {
  if (callback == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> top_level;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const auto& entry : registry.windows) {
      if (entry.second->parent == nullptr && !entry.second->destroying) top_level.push_back(entry.first);
    }
  }
  // Handles grow with creation, so this is the order in which the windows were made.
  std::sort(top_level.begin(), top_level.end(), [](HWND a, HWND b) {
    return reinterpret_cast<std::uintptr_t>(a) < reinterpret_cast<std::uintptr_t>(b);
  });
  for (HWND window : top_level) {
    if (!IsWindow(window)) continue;  // destroyed by an earlier callback
    if (!callback(window, lParam)) return FALSE;
  }
  return TRUE;
}

HWND SetCapture(HWND handle) {
  const HWND previous = t_input.capture;
  if (OwnWindow(handle)) t_input.capture = handle;
  return previous;
}

BOOL ReleaseCapture() {
  t_input.capture = nullptr;
  return TRUE;
}

HWND GetCapture() { return t_input.capture; }

namespace {

// Sets one of the calling thread's input windows: null clears it; otherwise the window must be the
// caller's, and enabled (focus) or top-level (activation). Returns the previous window, or null
// with the slot unchanged when `handle` is refused.
HWND SetInputWindow(HWND* slot, HWND handle, bool must_be_enabled, bool must_be_top_level) {
  const HWND previous = *slot;
  if (handle == nullptr) {
    *slot = nullptr;
    return previous;
  }
  std::shared_ptr<Window> window = OwnWindow(handle);
  if (!window) return nullptr;
  if ((must_be_enabled && !IsWindowEnabled(handle)) || (must_be_top_level && window->parent != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *slot = handle;
  return previous;
}

}  // namespace

// A disabled window takes no keyboard input.
HWND SetFocus(HWND handle) { return SetInputWindow(&t_input.focus, handle, true, false); }

HWND GetFocus() { return t_input.focus; }

// Only a top-level window can be active.
HWND SetActiveWindow(HWND handle) { return SetInputWindow(&t_input.active, handle, false, true); }

HWND GetActiveWindow() { return t_input.active; }
