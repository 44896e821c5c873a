#include <zorbase/system/MTimeout.h>

#include <zorbase/platform/clocks.h>

namespace {
constexpr DWORD kMaxTimeout = 259200000;  // 72 hours
}  // namespace

MTimeout::MTimeout(DWORD timeout)
    : m_lastAliveTicks(GetTickCount()), m_lastAliveTime(_time64(nullptr)), m_timeout(timeout) {}

bool MTimeout::IsTimeout() const {
  if (m_timeout == 0) return false;
  const DWORD limit = m_timeout < kMaxTimeout ? m_timeout : kMaxTimeout;
  std::int64_t seconds = _time64(nullptr) - m_lastAliveTime;
  const DWORD passed = static_cast<DWORD>(seconds < 0 ? -seconds : seconds);
  if (passed < limit / 1000) return false;
  const DWORD elapsed = GetTickCount() - m_lastAliveTicks;  // modulo 2^32: right across the wrap
  return elapsed > limit;
}

void MTimeout::_UpdateLastAliveTime() {
  m_lastAliveTicks = GetTickCount();
  m_lastAliveTime = _time64(nullptr);
}

void MTimeout::_ShiftLastAliveTime(DWORD milliseconds) {
  m_lastAliveTicks += milliseconds;
  m_lastAliveTime += milliseconds / 1000;
}
