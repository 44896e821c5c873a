// The Windows runtime's local-time conversion for 64-bit times. Calendar seconds come from
// _time64 (<zorbase/platform/clocks.h>); wide formatting is the C library's wcsftime, whose numeric
// conversions (%H, %M, %S, %Y, %m, %d, ...) do not depend on the process locale.
#pragma once

#include <ctime>

#include <zorbase/platform/clocks.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/export.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// The local time of `*seconds` (seconds since 1970-01-01 UTC), in a buffer of the calling thread
// that the next call in the same thread overwrites. Null with errno EINVAL for a null pointer, a
// negative time or one beyond the year 3000 (as the Windows runtime refuses them).
ZORBASE_API struct tm* _localtime64(const __time64_t* seconds);
#endif  // _WIN32

