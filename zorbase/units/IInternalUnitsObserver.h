// The base of values kept in internal units: registers with the sibling library's internal-units
// singleton and offers static access to its scale.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/stdbase/MInternalUnits.h>

class ZORBASE_API IInternalUnitsObserver : public StdBase::MInternalUnitsObserver {
 public:
  // The default number of internal units per millimetre.
  static const int m_default_units = 10000;

  // A copy is not registered and does not follow later changes.
  IInternalUnitsObserver(const IInternalUnitsObserver& other);

  // The singleton's notification, passed on to the handler below with the same arguments.
  bool _OnInternalUnitsChange(double oldUnits, double newUnits, bool convert) override;

  // Internal units per millimetre.
  static double GetInternalUnits();
  // Whether the scale may change now.
  static bool IsInternalUnitsChangeAllowed();
  // Asks the singleton for a new scale; its answer is returned.
  static bool SetInternalUnits(double units);

 protected:
  // Registers with the singleton.
  IInternalUnitsObserver();
  virtual ~IInternalUnitsObserver();

  // The handler of a change from `oldUnits` to `newUnits`. Does nothing here and returns false.
  virtual bool _OnInternalUnitsChange(const double& oldUnits, const double& newUnits, bool convert);
};
