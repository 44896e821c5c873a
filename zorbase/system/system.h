// Public headers of the system subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
