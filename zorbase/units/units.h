// Public headers of the units subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
