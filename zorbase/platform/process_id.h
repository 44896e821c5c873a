// The identifier of the calling process, as Windows numbers it.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

ZORBASE_API DWORD GetCurrentProcessId();
