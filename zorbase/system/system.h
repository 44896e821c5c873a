// Public headers of the system subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/system/MVersionInfo.h>
#include <zorbase/system/MVersionInfoDLL.h>
