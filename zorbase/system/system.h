// Public headers of the system subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/system/MException.h>
#include <zorbase/system/MMExceptionTranslator.h>
#include <zorbase/system/MSysError.h>
#include <zorbase/system/MTypeInfo.h>
#include <zorbase/system/MTimeout.h>
#include <zorbase/system/CTimeCount.h>
#include <zorbase/system/MWorkerThread.h>
#include <zorbase/system/MSystemInfo.h>
#include <zorbase/system/CNTServiceMgr.h>
#include <zorbase/system/CServiceStatus.h>
#include <zorbase/system/MVersionInfo.h>
#include <zorbase/system/MVersionInfoDLL.h>
