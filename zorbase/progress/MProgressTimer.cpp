#include <zorbase/progress/MProgressTimer.h>

#include <zorbase/logging/MLogManager.h>
#include <zorbase/progress/internal/process_clock.h>
#include <zorbase/stdbase/StringHelpers.h>

using zb::progress_internal::ProcessClock;

MProgressTimer::MProgressTimer(const bool& enabled)
    : m_start(ProcessClock()), m_enabled(enabled) {}

MProgressTimer::~MProgressTimer() = default;

MProgressTimer& MProgressTimer::operator=(const MProgressTimer& other) {
  m_start = other.m_start;
  m_last_step = other.m_last_step;
  m_enabled = other.m_enabled;
  return *this;
}

void MProgressTimer::Enable() { m_enabled = true; }

double MProgressTimer::Elapsed() const {
  // Unsigned difference: correct across one wrap of the 32-bit count.
  const std::uint32_t ticks =
      static_cast<std::uint32_t>(ProcessClock()) - static_cast<std::uint32_t>(m_start);
  return static_cast<double>(ticks) / 1000.0;
}

void MProgressTimer::Log(const std::wstring& text) const {
  const MLogPlugIn& plugin = MLogManager::GetPlugIn();
  if (plugin.CanInfo()) plugin._Info(text.c_str());
}

void MProgressTimer::StepStarted(const std::wstring& name) {
  if (!m_enabled) return;
  Log(FormatString(L"Started %s, t = %f.", name.c_str(), Elapsed()));
}

void MProgressTimer::StepComplete(const std::wstring& name) {
  if (!m_enabled) return;
  const double t = Elapsed();
  Log(FormatString(L"Done %s in %f s.", name.c_str(), t - m_last_step));
  m_last_step = t;
}

void MProgressTimer::Complete(const std::wstring& name) {
  if (!m_enabled) return;
  Log(FormatString(L"Done %s in %f s.", name.c_str(), Elapsed()));
}
