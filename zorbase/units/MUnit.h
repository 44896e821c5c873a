// Conversions between millimetres and internal units ("Stl units"), whose number per millimetre
// the sibling library's internal-units singleton holds. The factor is read from the singleton at
// every call, never cached.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// Integer results saturate at the limits of the 32-bit LONG; NaN gives LONG's minimum.
class ZORBASE_API MUnit {
 public:
  MUnit& operator=(const MUnit&) { return *this; }
  MUnit& operator=(MUnit&&) { return *this; }

  // v / IE.
  static double ConvertFromStlUnitsToMm(LONG v);
  static double ConvertFromStlUnitsToMmDbl(double v);
  // _Round(mm * IE).
  static LONG ConvertFromMmToStlUnits(double mm);
  // Internal units per millimetre, truncated.
  static LONG GetIE();
  // The singleton's internal units per user unit, truncated.
  static LONG GetISU();

 protected:
  static double _ConvertStlUnitsToMm(double v);
  static double _ConvertMmToStlUnits(double mm);
  // Half away from zero: x >= 0 gives trunc(x + 0.5), otherwise trunc(x - 0.5).
  static LONG _Round(double x);

  friend class MUserUnit;
};
