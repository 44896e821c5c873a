#include <zorbase/platform/process_id.h>

#include <unistd.h>

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
