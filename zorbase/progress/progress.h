// Public headers of the progress subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/progress/MProgressTimer.h>
