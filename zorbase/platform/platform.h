// The platform seam: everything the library needs of the operating system is declared below
// zorbase/platform/ and implemented in zorbase/platform/portable/ (code that needs no operating
// system) and zorbase/platform/posix/ (code that calls Linux). Portable code includes this.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/last_error.h>
#include <zorbase/platform/format.h>
#include <zorbase/platform/codepage.h>
#include <zorbase/platform/numeric.h>
#include <zorbase/platform/handle.h>
#include <zorbase/platform/path_mapping.h>
#include <zorbase/platform/fault_injection.h>
#include <zorbase/platform/file_system.h>
#include <zorbase/platform/crt_file.h>
#include <zorbase/platform/shell_file.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/crt_text.h>
#include <zorbase/platform/structured_exception.h>
#include <zorbase/platform/format_message.h>
#include <zorbase/platform/clocks.h>
#include <zorbase/platform/threads.h>
#include <zorbase/platform/system_info.h>
#include <zorbase/platform/service.h>
#include <zorbase/platform/thread_id.h>
#include <zorbase/platform/window_messages.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/version.h>
#include <zorbase/platform/environment.h>
#include <zorbase/platform/shell_folders.h>
#include <zorbase/platform/crt_time.h>
#include <zorbase/platform/wide_stdio.h>
#include <zorbase/platform/profile.h>
#include <zorbase/platform/crt_text.h>
