// Public headers of the desktop subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/desktop/CHtmlHelpWrapper.h>
#include <zorbase/desktop/ClipboardText.h>
