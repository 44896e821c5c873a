// The identity of the calling thread, as Windows numbers it.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

// The calling thread's system-wide identifier; never 0, unique among running threads.
ZORBASE_API DWORD GetCurrentThreadId();
#endif  // _WIN32

