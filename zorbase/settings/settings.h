// Public headers of the settings subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
