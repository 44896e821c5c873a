// Public headers of the logging subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
