// Registry change notification (RegNotifyChangeKeyValue) and the event objects it signals.
#include <zorbase/platform/registry.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include <zorbase/platform/portable/registry_internal.h>

namespace zb {
namespace platform {

namespace {

struct EventObject {
  std::mutex mutex;
  std::condition_variable signalled_cv;
  bool manual_reset = false;
  bool signalled = false;
};

struct Events {
  std::mutex mutex;
  std::unordered_set<EventObject*> live;
};

Events& GetEvents() {
  static Events* events = new Events();
  return *events;
}

// Runs `action` on the event if `handle` is a live event; false otherwise. The events' lock is
// held throughout, so a concurrent close waits.
template <typename Action>
bool WithEvent(HANDLE handle, Action action) {
  Events& events = GetEvents();
  std::lock_guard<std::mutex> lock(events.mutex);
  auto* event = static_cast<EventObject*>(handle);
  if (events.live.count(event) == 0) return false;
  action(event);
  return true;
}

void Signal(EventObject* event) {
  std::lock_guard<std::mutex> lock(event->mutex);
  event->signalled = true;
  event->signalled_cv.notify_all();
}

}  // namespace

HANDLE CreateRegistryEvent(bool manual_reset, bool initially_signalled) {
  auto* event = new EventObject();
  event->manual_reset = manual_reset;
  event->signalled = initially_signalled;
  Events& events = GetEvents();
  std::lock_guard<std::mutex> lock(events.mutex);
  events.live.insert(event);
  return event;
}

bool SetRegistryEvent(HANDLE handle) {
  return WithEvent(handle, [](EventObject* event) { Signal(event); });
}

bool ResetRegistryEvent(HANDLE handle) {
  return WithEvent(handle, [](EventObject* event) {
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
  });
}

bool WaitRegistryEvent(HANDLE handle, DWORD milliseconds) {
  // The event stays alive while waited on: closing a waited event is the caller's error, as on
  // Windows, but must not crash, so the wait holds a reference through the live set check only.
  EventObject* event = nullptr;
  if (!WithEvent(handle, [&](EventObject* found) { event = found; })) return false;
  std::unique_lock<std::mutex> lock(event->mutex);
  auto ready = [event] { return event->signalled; };
  bool got = true;
  if (milliseconds == INFINITE) {
    event->signalled_cv.wait(lock, ready);
  } else {
    got = event->signalled_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
  }
  if (got && !event->manual_reset) event->signalled = false;
  return got;
}

bool CloseRegistryEvent(HANDLE handle) {
  Events& events = GetEvents();
  EventObject* event = static_cast<EventObject*>(handle);
  {
    std::lock_guard<std::mutex> lock(events.mutex);
    if (events.live.erase(event) == 0) return false;
  }
  delete event;
  return true;
}

namespace reg {

namespace {

struct Watch {
  const KeyObject* owner;
  std::shared_ptr<Hive> hive;
  KeyId key;
  bool subtree;
  DWORD filter;
  HANDLE event;
};

struct Watches {
  std::mutex mutex;
  std::vector<Watch> list;
};

Watches& GetWatches() {
  static Watches* watches = new Watches();
  return *watches;
}

void UpdateWatched(Hive* hive, const std::vector<Watch>& list) {
  bool watched = false;
  for (const Watch& watch : list) watched = watched || watch.hive.get() == hive;
  hive->set_watched(watched);
}

}  // namespace

void OnHiveChange(Hive* hive, const std::vector<KeyId>& chain, DWORD kind) {
  std::vector<HANDLE> to_signal;
  std::vector<Watch> check_deleted;
  {
    Watches& watches = GetWatches();
    std::lock_guard<std::mutex> lock(watches.mutex);
    for (auto it = watches.list.begin(); it != watches.list.end();) {
      bool hit = false;
      if (it->hive.get() == hive) {
        if ((it->filter & kind) != 0 && !chain.empty()) {
          if (chain.front() == it->key) {
            hit = true;
          } else if (it->subtree) {
            for (KeyId ancestor : chain) hit = hit || ancestor == it->key;
          }
        }
        if (!hit && (kind & kChangeName)) check_deleted.push_back(*it);
      }
      if (hit) {
        to_signal.push_back(it->event);
        it = watches.list.erase(it);
      } else {
        ++it;
      }
    }
    UpdateWatched(hive, watches.list);
  }
  // A watched key that was deleted (with a subtree, say) ends its watch with a signal.
  for (const Watch& watch : check_deleted) {
    if (hive->KeyExists(watch.key)) continue;
    Watches& watches = GetWatches();
    std::lock_guard<std::mutex> lock(watches.mutex);
    for (auto it = watches.list.begin(); it != watches.list.end(); ++it) {
      if (it->owner == watch.owner && it->event == watch.event && it->key == watch.key) {
        to_signal.push_back(it->event);
        watches.list.erase(it);
        break;
      }
    }
    UpdateWatched(hive, watches.list);
  }
  for (HANDLE event : to_signal) SetRegistryEvent(event);
}

LONG AddWatch(const KeyPtr& key, bool subtree, DWORD filter, HANDLE event) {
  Watches& watches = GetWatches();
  std::lock_guard<std::mutex> lock(watches.mutex);
  watches.list.push_back(Watch{key.get(), key->hive, key->id, subtree, filter, event});
  key->hive->set_watched(true);
  return ERROR_SUCCESS;
}

void DropWatchesOf(const KeyObject* key) {
  std::vector<HANDLE> to_signal;
  {
    Watches& watches = GetWatches();
    std::lock_guard<std::mutex> lock(watches.mutex);
    std::vector<Hive*> touched;
    for (auto it = watches.list.begin(); it != watches.list.end();) {
      if (it->owner == key) {
        to_signal.push_back(it->event);
        touched.push_back(it->hive.get());
        it = watches.list.erase(it);
      } else {
        ++it;
      }
    }
    for (Hive* hive : touched) UpdateWatched(hive, watches.list);
  }
  for (HANDLE event : to_signal) SetRegistryEvent(event);
}

void DropAllWatches() {
  Watches& watches = GetWatches();
  std::lock_guard<std::mutex> lock(watches.mutex);
  for (Watch& watch : watches.list) watch.hive->set_watched(false);
  watches.list.clear();
}

}  // namespace reg
}  // namespace platform
}  // namespace zb

LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD notify_filter, HANDLE event, BOOL asynchronous) {
  using namespace zb::platform;
  constexpr DWORD kAllFilters = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_LAST_SET |
                                REG_NOTIFY_CHANGE_SECURITY;
  if ((notify_filter & ~(kAllFilters | REG_NOTIFY_THREAD_AGNOSTIC)) != 0 || (notify_filter & kAllFilters) == 0) {
    return ERROR_INVALID_PARAMETER;
  }
  if (asynchronous && event == nullptr) return ERROR_INVALID_PARAMETER;
  reg::KeyPtr object;
  LONG status = reg::ResolveKey(key, &object);
  if (status != ERROR_SUCCESS) return status;
  if ((object->granted & KEY_NOTIFY) == 0) return ERROR_ACCESS_DENIED;
  if (!object->hive) return ERROR_INVALID_PARAMETER;
  if (asynchronous) {
    if (!WithEvent(event, [](EventObject*) {})) return ERROR_INVALID_HANDLE;
    return reg::AddWatch(object, watch_subtree != FALSE, notify_filter & kAllFilters, event);
  }
  // Synchronous: wait on a private event until the change arrives.
  HANDLE wait_event = CreateRegistryEvent(true, false);
  status = reg::AddWatch(object, watch_subtree != FALSE, notify_filter & kAllFilters, wait_event);
  if (status == ERROR_SUCCESS) {
    WaitRegistryEvent(wait_event, INFINITE);
    if (event != nullptr) SetRegistryEvent(event);
  }
  CloseRegistryEvent(wait_event);
  return status;
}
