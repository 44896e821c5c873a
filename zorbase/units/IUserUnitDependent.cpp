#include <zorbase/units/IUserUnitDependent.h>

#include <zorbase/units/MUserUnit.h>

IUserUnitDependent::IUserUnitDependent() { MUserUnit::GetInstance().AddUserUnitListener(this); }

IUserUnitDependent::~IUserUnitDependent() { MUserUnit::GetInstance().RemoveUserUnitListener(this); }

IUserUnitDependent::IUserUnitDependent(const IUserUnitDependent&) {}
