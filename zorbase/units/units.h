// Public headers of the units subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/units/IInternalUnitsObserver.h>
#include <zorbase/units/IUserUnitDependent.h>
#include <zorbase/units/MInternalUnitsValue.h>
#include <zorbase/units/MUnit.h>
#include <zorbase/units/MUserUnit.h>
