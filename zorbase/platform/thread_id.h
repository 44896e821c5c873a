// Identities of the calling thread and process, as Windows numbers them.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

// The calling thread's system-wide identifier; never 0, unique among running threads.
ZORBASE_API DWORD GetCurrentThreadId();
// The calling process's identifier.
ZORBASE_API DWORD GetCurrentProcessId();
