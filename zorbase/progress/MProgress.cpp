#include <zorbase/progress/MProgress.h>

#include <cmath>

#include <zorbase/progress/internal/percent.h>
#include <zorbase/strings/internal/resource_text.h>

using zb::progress_internal::TruncPercent;

MProgress::MProgress(double start, double end, bool begin) {
  _SetRange(start, end);
  if (begin) {
    Guard guard(*this);
    _Begin();
  }
}

MProgress::~MProgress() {
  Guard guard(*this);
  if (!m_begun) return;
  try {
    _End();
  } catch (...) {
    // A UI target's failure must not end the process; the progress has left the chain.
  }
}

void MProgress::Begin(double start, double end) {
  Guard guard(*this);
  _SetRange(start, end);
  if (m_begun) {
    m_position = 0.0;  // already in the chain: restart in place
    return;
  }
  _Begin();
}

void MProgress::End() {
  Guard guard(*this);
  if (m_begun) _End();
}

void MProgress::SetCurrentPosition(double position) {
  Guard guard(*this);
  if (!std::isfinite(position)) return;
  m_position = position;
  LONG percent;
  // The comparison is repeated here so that a position that does not raise the percentage (nearly
  // every call of a long loop) costs no second pass through the lock.
  if (TruncPercent(position * m_scaler + 0.5, &percent) && percent > m_last_percent) {
    _SendMessageUpdate(percent);
  }
}

void MProgress::Count(double position) { SetCurrentPosition(position); }

void MProgress::Increment() {
  Guard guard(*this);
  Increment(m_next_increment);
}

void MProgress::Increment(double amount) {
  Guard guard(*this);
  MProgressManager::Instance()._NotifySink();
  if (std::isfinite(amount) && std::isfinite(m_position + amount)) {
    m_position += amount;
    const double value = m_position * m_scaler;
    LONG percent;
    if (value > 0 && TruncPercent(value + 0.5, &percent) && percent > m_last_percent) {
      _SendMessageUpdate(percent);
    }
  }
  m_next_increment = 1.0;
}

void MProgress::SetNextIncrement(double increment) {
  Guard guard(*this);
  if (std::isfinite(increment)) m_next_increment = increment;
}

void MProgress::SetChildWeight(double weight) { SetNextIncrement(weight); }

void MProgress::SetNextPosition(double position) {
  Guard guard(*this);
  if (std::isfinite(position - m_position)) m_next_increment = position - m_position;
}

void MProgress::SetAdjustByLowerLevels(bool adjust) {
  Guard guard(*this);
  m_adjust_by_lower_levels = adjust;
}

bool MProgress::SetText(const wchar_t* text) {
  {
    Guard guard(*this);
    m_text = text != nullptr ? text : L"";
  }
  MProgressManager::Instance()._SetText(this);
  return true;
}

bool MProgress::SetText(unsigned int resourceId) {
  const std::wstring text = zb::internal::LoadWrapperText(resourceId);
  return SetText(text.c_str());
}

const std::wstring& MProgress::GetText() const { return m_text; }

void MProgress::IncrementLast(double amount) { MProgressManager::IncrementLast(amount); }
void MProgress::ResetUITargets() { MProgressManager::ResetUITargets(); }
void MProgress::AttachUITarget(LONG, HWND window) { MProgressManager::AttachUITarget(window); }
void MProgress::SetAbortFlag(bool abort) { MProgressManager::SetAbortFlag(abort); }
bool MProgress::GetAbortFlag() { return MProgressManager::GetAbortFlag(); }
void MProgress::ResetAbortFlag() { MProgressManager::ResetAbortFlag(); }
void MProgress::EnableAbortButton(bool enable) { MProgressManager::EnableAbortButton(enable); }
void MProgress::SetProcessOnlyCurrentThreadWindows(bool onlyCurrentThread) {
  MProgressManager::SetProcessOnlyCurrentThreadWindows(onlyCurrentThread);
}
MProgressManager::vector_facade MProgress::GetProgressPointers() {
  return MProgressManager::GetProgressPointers();
}

void MProgress::_SetRange(double start, double end) {
  Guard guard(*this);
  if (!std::isfinite(start) || !std::isfinite(end)) {
    const double at = std::isfinite(start) ? start : (std::isfinite(end) ? end : 0.0);
    m_range_start = m_range_end = at;
    m_range_width = 1.0;
  } else if (end > start) {
    m_range_start = start;
    m_range_end = end;
    m_range_width = end - start;
  } else if (end < start) {
    m_range_start = end;
    m_range_end = start;
    m_range_width = start - end;
  } else {
    m_range_start = m_range_end = start;
    m_range_width = 1.0;
  }
  if (m_begun) _SetScaler();
}

void MProgress::_SetScaler() {
  Guard guard(*this);
  m_scaler = 100.0 / m_range_width;
  if (!std::isfinite(m_scaler)) m_scaler = 0.0;  // a width too small to scale shows nothing
}

void MProgress::_Begin() {
  Guard guard(*this);
  const std::size_t level = MProgressManager::Instance()._Begin(this);
  if (level == static_cast<std::size_t>(-1)) return;
  m_level = level;
  _SetScaler();
  m_position = 0.0;
  m_begun = true;
}

void MProgress::_End() {
  Guard guard(*this);
  struct Idle {
    MProgress* self;
    ~Idle() {
      self->m_level = static_cast<std::size_t>(-1);
      self->m_begun = false;
    }
  } idle{this};
  MProgressManager::Instance()._End(this);
}

void MProgress::_SendMessageUpdate(LONG percent) {
  Guard guard(*this);
  if (percent <= m_last_percent) return;
  m_last_percent = percent;
  MProgressManager::Instance()._SendMessageUpdate(percent, this);
  _OnActualUpdate(percent);
}

void MProgress::_OnActualUpdate(LONG) {}

void MProgress::_FoldChildPercent(LONG percent) {
  Guard guard(*this);
  if (!m_adjust_by_lower_levels) return;
  LONG folded;
  if (TruncPercent((percent * m_next_increment / 100.0 + m_position) * m_scaler, &folded)) {
    _SendMessageUpdate(folded);
  }
}
