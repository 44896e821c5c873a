// Public headers of the afx subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/afx/CString.h>
