// Public headers of the files subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/files/MFileName.h>
