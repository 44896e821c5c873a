// Public headers of the logging subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/logging/ILogWnd.h>
#include <zorbase/logging/LogWindowAppender.h>
#include <zorbase/logging/MLogManager.h>
#include <zorbase/logging/MLogManagerBase.h>
#include <zorbase/logging/MLogPlugIn.h>
#include <zorbase/logging/MLogPlugInID.h>
