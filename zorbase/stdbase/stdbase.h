// Public headers of the stdbase subsystem (the sibling base library, libzorstdbase);
// <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/stdbase/LocalLocking.h>
#include <zorbase/stdbase/MInternalUnits.h>
#include <zorbase/stdbase/ProgressDelegate.h>
#include <zorbase/stdbase/StringHelpers.h>
