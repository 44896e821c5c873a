// The sibling base library's lock objects.
#pragma once

#include <mutex>

#include <zorbase/platform/export.h>

namespace StdBase {

// A recursive mutex that a class derives from to lock its own operations. The thread that holds it
// may take it again; each Lock() needs one Unlock(). Lock and unlock are inline, so a lock that
// nobody else holds costs what std::recursive_mutex costs.
class ZORBASE_API LocalLocking {
 public:
  LocalLocking() = default;
  ~LocalLocking() = default;
  LocalLocking(const LocalLocking&) = delete;
  LocalLocking& operator=(const LocalLocking&) = delete;

  void Lock() const { m_mutex.lock(); }
  void Unlock() const { m_mutex.unlock(); }
  bool TryLock() const { return m_mutex.try_lock(); }

  // Holds a LocalLocking for the lifetime of the guard.
  class Guard {
   public:
    explicit Guard(const LocalLocking& lock) : m_lock(lock) { m_lock.Lock(); }
    ~Guard() { m_lock.Unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    const LocalLocking& m_lock;
  };

 private:
  mutable std::recursive_mutex m_mutex;
};

// A tag for classes that are process-wide and changed by one thread at a time: it adds no lock and
// no data, and says in the class's declaration that callers serialise its use.
template <class T>
class GlobalLocking {};

}  // namespace StdBase
