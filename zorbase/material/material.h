// Public headers of the material subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/material/MMaterial.h>
