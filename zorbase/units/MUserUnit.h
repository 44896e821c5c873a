// The user unit (millimetres or inches): conversions between it, millimetres and internal units,
// formatting for display, and the dependents that are told when it changes. One process-wide
// instance, mg_user_unit, is the application's user unit; it is set to millimetres when the
// library loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

class IUserUnitDependent;

// Not locked: change the unit and register dependents on one thread (normally the UI thread).
// Integer results saturate at the limits of the 32-bit LONG.
class ZORBASE_API MUserUnit {
 public:
  enum UNIT_TYPE : std::int32_t { UNIT_MM = 0, UNIT_INCH = 1 };

  explicit MUserUnit(UNIT_TYPE type);
  // Notifies nobody.
  ~MUserUnit();

  // The application's user unit.
  static MUserUnit& GetInstance();
  static MUserUnit mg_user_unit;

  UNIT_TYPE GetUnit() const { return m_unit; }
  // Display name and abbreviation from the host's resource-string wrapper (673/672 millimetres,
  // 675/674 inches); empty without one.
  const wchar_t* GetName() const { return m_name.c_str(); }
  const wchar_t* GetAbbreviation() const { return m_abbreviation.c_str(); }

  // Stores the unit and, for a known one, its names, print format and factor. For the process's
  // instance it also sets the sibling library's conversion factor (every time). Dependents are
  // told, in the order of their addresses, only when the unit differs from the previous one.
  // A dependent's exception reaches the caller once all dependents have been told.
  void SetUnit(UNIT_TYPE type);

  // Adding twice changes nothing; removing an unknown object changes nothing. Safe during a
  // notification: a dependent removed then is not called.
  void AddUserUnitListener(IUserUnitDependent* listener);
  void RemoveUserUnitListener(IUserUnitDependent* listener);

  double ConvertFromUIToMm(double v) const;
  double ConvertFromMmToUI(double v) const;
  LONG ConvertFromUIToStlUnits(double v) const;
  double ConvertFromStlUnitsToUI(LONG v) const;
  double ConvertFromUIToMmSquare(double v) const;
  double ConvertFromMmSquareToUI(double v) const;
  double ConvertFromUIToStlUnitsSquare(double v) const;
  double ConvertFromStlUnitsSquareToUI(double v) const;
  double ConvertFromUIToMmCubed(double v) const;
  double ConvertFromMmCubedToUI(double v) const;
  double ConvertFromUIToStlUnitsCubed(double v) const;
  double ConvertFromStlUnitsCubedToUI(double v) const;

  // Writes mm / factor with the unit's print format ("%5.2g" millimetres, "%5.3g" inches) into
  // `buffer` of `size` characters, cut to fit; with `withUnit`, then " " and the abbreviation. A
  // suffix that does not fit leaves the buffer empty. Nothing is written for a null buffer or a
  // size of 0.
  void PrintMmInUI(wchar_t* buffer, std::size_t size, double mm, bool withUnit) const;
  // The same with v / IE / factor.
  void PrintStlUnitsInUI(wchar_t* buffer, std::size_t size, LONG v, bool withUnit) const;

 private:
  MUserUnit();
  MUserUnit(const MUserUnit&);
  MUserUnit& operator=(const MUserUnit&);

  double _ConvertFromUIToStlUnits(double v) const;
  double _ConvertFromStlUnitsToUI(double v) const;
  void _OnUserUnitChanged();
  void _Print(wchar_t* buffer, std::size_t size, double value, bool withUnit) const;

  UNIT_TYPE m_unit = UNIT_MM;
  std::wstring m_name;
  std::wstring m_abbreviation;
  const wchar_t* m_print_format = L"%5.2g";
  double m_factor = 1.0;
  std::set<IUserUnitDependent*> m_listeners;
};
