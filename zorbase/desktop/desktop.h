// Public headers of the desktop subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
