// Public headers of the tagged subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
