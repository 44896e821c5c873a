#include <zorbase/stdbase/MInternalUnits.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>
#include <vector>

namespace StdBase {

// Constructed early so that static objects of other translation units (the process-wide user unit,
// values kept in internal units) find it alive when they are built and destroyed.
MInternalUnits MInternalUnits::mg_instance __attribute__((init_priority(1000)));

namespace {
bool IsUsableScale(double value) { return std::isfinite(value) && value > 0.0; }
}  // namespace

MInternalUnits::~MInternalUnits() {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  delete m_observers;
  m_observers = nullptr;
  m_closed = true;
}

bool MInternalUnits::CanChange() const {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  return m_changing == 0 && !m_closed;
}

bool MInternalUnits::Set(double units) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!IsUsableScale(units) || m_changing != 0 || m_closed) return false;
  const double old_units = m_internal_units;
  if (units == old_units) return true;
  m_internal_units = units;
  m_internal_units_per_user_unit = units * m_conversion_factor;
  if (m_observers == nullptr || m_observers->empty()) return true;

  std::vector<std::pair<unsigned long long, IInternalUnitsObserver*>> turn;
  turn.reserve(m_observers->size());
  for (const auto& entry : *m_observers) turn.emplace_back(entry.second, entry.first);
  std::sort(turn.begin(), turn.end());
  ++m_changing;
  std::exception_ptr first_failure;
  for (const auto& entry : turn) {
    // An observer that an earlier one destroyed (or replaced at the same address) is skipped.
    const auto found = m_observers->find(entry.second);
    if (found == m_observers->end() || found->second != entry.first) continue;
    try {
      entry.second->_OnInternalUnitsChange(old_units, units, true);
    } catch (...) {
      // One failing observer must not keep the others on the old scale; its exception is passed
      // on once every observer has been told.
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  --m_changing;
  if (first_failure) std::rethrow_exception(first_failure);
  return true;
}

void MInternalUnits::SetConversionFactor(double factor) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (!IsUsableScale(factor)) return;
  m_conversion_factor = factor;
  m_internal_units_per_user_unit = m_internal_units * factor;
}

void MInternalUnits::Register(IInternalUnitsObserver* observer) {
  if (observer == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_closed) return;
  if (m_observers == nullptr) m_observers = new std::map<IInternalUnitsObserver*, unsigned long long>;
  m_observers->emplace(observer, m_next_order++);
}

void MInternalUnits::Unregister(IInternalUnitsObserver* observer) {
  std::lock_guard<std::recursive_mutex> lock(m_mutex);
  if (m_observers != nullptr) m_observers->erase(observer);
}

MInternalUnitsObserver::MInternalUnitsObserver() { MInternalUnits::mg_instance.Register(this); }

MInternalUnitsObserver::MInternalUnitsObserver(const MInternalUnitsObserver& other)
    : IInternalUnitsObserver(other) {}

MInternalUnitsObserver::~MInternalUnitsObserver() { MInternalUnits::mg_instance.Unregister(this); }

}  // namespace StdBase
