// The identifier of the calling process, as Windows numbers it.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

ZORBASE_API DWORD GetCurrentProcessId();
#endif  // _WIN32

