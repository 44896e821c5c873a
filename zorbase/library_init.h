// The library's load/unload unit (library_init.cpp) owns its static initialisation order.
#pragma once

#include <zorbase/platform/export.h>

namespace zb {

// True once the library's load steps have run. Hosts need not call it; it anchors the unit.
ZORBASE_API bool LibraryLoaded();

}  // namespace zb
