#include <zorbase/units/MUserUnit.h>

#include <cstdarg>
#include <cwchar>
#include <exception>
#include <vector>

#include <zorbase/platform/format.h>
#include <zorbase/stdbase/MInternalUnits.h>
#include <zorbase/strings/internal/resource_text.h>
#include <zorbase/units/IUserUnitDependent.h>
#include <zorbase/units/MUnit.h>

using StdBase::MInternalUnits;

namespace {

double IE() { return MInternalUnits::mg_instance.m_internal_units; }

// Bounded formatting: the result is cut to size - 1 characters.
void FormatInto(wchar_t* buffer, std::size_t size, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  zb::platform::FormatW(buffer, size, format, args);
  va_end(args);
}

}  // namespace

// mg_user_unit itself is defined in library_init.cpp, whose load steps own its construction.

MUserUnit::MUserUnit(UNIT_TYPE type) { SetUnit(type); }

MUserUnit::~MUserUnit() = default;

MUserUnit& MUserUnit::GetInstance() { return mg_user_unit; }

void MUserUnit::SetUnit(UNIT_TYPE type) {
  const UNIT_TYPE previous = m_unit;
  m_unit = type;
  if (type == UNIT_INCH) {
    m_name = zb::internal::LoadWrapperText(675);
    m_abbreviation = zb::internal::LoadWrapperText(674);
    m_print_format = L"%5.3g";
    m_factor = 25.4;
  } else if (type == UNIT_MM) {
    m_name = zb::internal::LoadWrapperText(673);
    m_abbreviation = zb::internal::LoadWrapperText(672);
    m_print_format = L"%5.2g";
    m_factor = 1.0;
  } else {
    return;
  }
  if (this == &mg_user_unit) MInternalUnits::mg_instance.SetConversionFactor(type == UNIT_INCH ? 25.4 : 1.0);
  if (type != previous) _OnUserUnitChanged();
}

void MUserUnit::AddUserUnitListener(IUserUnitDependent* listener) {
  if (listener != nullptr) m_listeners.insert(listener);
}

void MUserUnit::RemoveUserUnitListener(IUserUnitDependent* listener) { m_listeners.erase(listener); }

void MUserUnit::_OnUserUnitChanged() {
  const std::vector<IUserUnitDependent*> turn(m_listeners.begin(), m_listeners.end());
  std::exception_ptr first_failure;
  for (IUserUnitDependent* listener : turn) {
    if (m_listeners.count(listener) == 0) continue;  // removed by an earlier one
    try {
      listener->OnUserUnitChanged();
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
}

double MUserUnit::ConvertFromUIToMm(double v) const { return v * m_factor; }
double MUserUnit::ConvertFromMmToUI(double v) const { return v / m_factor; }
LONG MUserUnit::ConvertFromUIToStlUnits(double v) const { return MUnit::_Round(v * m_factor * IE()); }
double MUserUnit::ConvertFromStlUnitsToUI(LONG v) const { return v / IE() / m_factor; }
double MUserUnit::_ConvertFromUIToStlUnits(double v) const { return v * m_factor * IE(); }
double MUserUnit::_ConvertFromStlUnitsToUI(double v) const { return v / IE() / m_factor; }
double MUserUnit::ConvertFromUIToMmSquare(double v) const { return m_factor * v * m_factor; }
double MUserUnit::ConvertFromMmSquareToUI(double v) const { return v / m_factor / m_factor; }
double MUserUnit::ConvertFromUIToStlUnitsSquare(double v) const {
  const double ie = IE();
  return m_factor * v * ie * m_factor * ie;
}
double MUserUnit::ConvertFromStlUnitsSquareToUI(double v) const {
  const double ie = IE();
  return v / ie / m_factor / ie / m_factor;
}
double MUserUnit::ConvertFromUIToMmCubed(double v) const { return m_factor * v * m_factor * m_factor; }
double MUserUnit::ConvertFromMmCubedToUI(double v) const { return v / m_factor / m_factor / m_factor; }
double MUserUnit::ConvertFromUIToStlUnitsCubed(double v) const {
  const double ie = IE();
  return m_factor * v * ie * m_factor * ie * m_factor * ie;
}
double MUserUnit::ConvertFromStlUnitsCubedToUI(double v) const {
  const double ie = IE();
  return v / ie / m_factor / ie / m_factor / ie / m_factor;
}

void MUserUnit::PrintMmInUI(wchar_t* buffer, std::size_t size, double mm, bool withUnit) const {
  _Print(buffer, size, mm / m_factor, withUnit);
}

void MUserUnit::PrintStlUnitsInUI(wchar_t* buffer, std::size_t size, LONG v, bool withUnit) const {
  _Print(buffer, size, v / IE() / m_factor, withUnit);
}

void MUserUnit::_Print(wchar_t* buffer, std::size_t size, double value, bool withUnit) const {
  if (buffer == nullptr || size == 0) return;
  FormatInto(buffer, size, m_print_format, value);
  if (!withUnit) return;
  const std::size_t used = std::wcslen(buffer);
  if (used + 1 + m_abbreviation.size() >= size) {
    buffer[0] = L'\0';  // the suffix does not fit: the bounded concatenation's rule
    return;
  }
  buffer[used] = L' ';
  std::wmemcpy(buffer + used + 1, m_abbreviation.c_str(), m_abbreviation.size() + 1);
}
