// Objects that depend on the application's user unit: each registers itself with
// MUserUnit::GetInstance() while it lives and is told when the user unit changes.
#pragma once

#include <zorbase/platform/export.h>

class ZORBASE_API IUserUnitDependent {
 public:
  // Registers with MUserUnit::GetInstance().
  IUserUnitDependent();
  // Unregisters.
  virtual ~IUserUnitDependent();
  // A copy is not registered and is never told of changes.
  IUserUnitDependent(const IUserUnitDependent& other);
  // Changes nothing (registration stays as it is).
  IUserUnitDependent& operator=(const IUserUnitDependent&) { return *this; }

  // Called on the thread that changed the unit, after the user unit has its new values.
  virtual void OnUserUnitChanged() = 0;
};
