#include <zorbase/units/IInternalUnitsObserver.h>

using StdBase::MInternalUnits;

const int IInternalUnitsObserver::m_default_units;

IInternalUnitsObserver::IInternalUnitsObserver() = default;

IInternalUnitsObserver::IInternalUnitsObserver(const IInternalUnitsObserver& other)
    : StdBase::MInternalUnitsObserver(other) {}

IInternalUnitsObserver::~IInternalUnitsObserver() = default;

bool IInternalUnitsObserver::_OnInternalUnitsChange(double oldUnits, double newUnits, bool convert) {
  // The two handlers differ only in how they take the scales; name the one wanted explicitly.
  bool (IInternalUnitsObserver::*handler)(const double&, const double&, bool) =
      &IInternalUnitsObserver::_OnInternalUnitsChange;
  return (this->*handler)(oldUnits, newUnits, convert);
}

bool IInternalUnitsObserver::_OnInternalUnitsChange(const double&, const double&, bool) { return false; }

double IInternalUnitsObserver::GetInternalUnits() { return MInternalUnits::mg_instance.m_internal_units; }

bool IInternalUnitsObserver::IsInternalUnitsChangeAllowed() { return MInternalUnits::mg_instance.CanChange(); }

bool IInternalUnitsObserver::SetInternalUnits(double units) { return MInternalUnits::mg_instance.Set(units); }
