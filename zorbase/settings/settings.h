// Public headers of the settings subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/settings/MRegKey.h>
#include <zorbase/settings/MSoftKey.h>
#include <zorbase/settings/COXRegistry.h>
#include <zorbase/settings/CComRegistrar.h>
#include <zorbase/settings/MIniFile.h>
