// The platform seam: everything the library needs of the operating system is declared below
// zorbase/platform/ and implemented in zorbase/platform/posix/. Portable code includes this.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/numeric.h>
