// An inactivity time-out: remembers when the watched activity was last alive, as a tick count and
// as calendar seconds, and tells whether more than the time-out has passed since.
#pragma once

#include <cstdint>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class ZORBASE_API MTimeout {
 public:
  // `timeout` in milliseconds, 0 for never; the activity counts as alive now.
  explicit MTimeout(DWORD timeout);
  MTimeout(const MTimeout& other) = default;
  MTimeout& operator=(const MTimeout& other) = default;
  MTimeout& operator=(MTimeout&& other) = default;

  DWORD GetTimeout() const { return m_timeout; }
  // Calendar seconds (since 1970) of the last sign of life.
  long long GetLastActivityTime() const { return m_lastAliveTime; }

  // Whether more than the time-out (at most 72 hours) has passed since the last sign of life;
  // never for a time-out of 0. Correct across the wrap of the 32-bit tick count: the calendar
  // seconds decide while the time-out cannot have run, the ticks (modulo 2^32) give the precision.
  bool IsTimeout() const;

 protected:
  // The activity is alive now.
  void _UpdateLastAliveTime();
  // Moves the last sign of life `milliseconds` later (the calendar mark by whole seconds).
  void _ShiftLastAliveTime(DWORD milliseconds);

  DWORD m_lastAliveTicks;
  std::int64_t m_lastAliveTime;
  DWORD m_timeout;
};
