#include <zorbase/units/MUnit.h>

#include <zorbase/stdbase/MInternalUnits.h>
#include <zorbase/units/internal/number_conversion.h>

using StdBase::MInternalUnits;
using zb::units_internal::TruncateTo;

double MUnit::ConvertFromStlUnitsToMm(LONG v) { return v / MInternalUnits::mg_instance.m_internal_units; }

double MUnit::ConvertFromStlUnitsToMmDbl(double v) {
  return v / MInternalUnits::mg_instance.m_internal_units;
}

LONG MUnit::ConvertFromMmToStlUnits(double mm) {
  return _Round(mm * MInternalUnits::mg_instance.m_internal_units);
}

LONG MUnit::GetIE() { return TruncateTo<LONG>(MInternalUnits::mg_instance.m_internal_units); }

LONG MUnit::GetISU() {
  return TruncateTo<LONG>(MInternalUnits::mg_instance.m_internal_units_per_user_unit);
}

double MUnit::_ConvertStlUnitsToMm(double v) { return v / MInternalUnits::mg_instance.m_internal_units; }

double MUnit::_ConvertMmToStlUnits(double mm) { return mm * MInternalUnits::mg_instance.m_internal_units; }

LONG MUnit::_Round(double x) { return TruncateTo<LONG>(x >= 0 ? x + 0.5 : x - 0.5); }
