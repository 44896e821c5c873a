// Public headers of the progress subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/progress/IProgressSink.h>
#include <zorbase/progress/IStatusCallback.h>
#include <zorbase/progress/MProgress.h>
#include <zorbase/progress/MProgressManager.h>
#include <zorbase/progress/MProgressTimer.h>
#include <zorbase/progress/ProgressToStatusCallback.h>
#include <zorbase/progress/TerminalProgress.h>
