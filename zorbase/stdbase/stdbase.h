// Public headers of the stdbase subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/stdbase/StringHelpers.h>
