// ZorBase umbrella header: includes every public header of the library.
#pragma once

#include <zorbase/platform/platform.h>
#include <zorbase/library_init.h>
#include <zorbase/afx/afx.h>
#include <zorbase/stdbase/stdbase.h>
#include <zorbase/strings/strings.h>
#include <zorbase/system/system.h>
#include <zorbase/files/files.h>
#include <zorbase/tagged/tagged.h>
#include <zorbase/settings/settings.h>
#include <zorbase/logging/logging.h>
#include <zorbase/progress/progress.h>
#include <zorbase/units/units.h>
#include <zorbase/material/material.h>
#include <zorbase/crypto/crypto.h>
#include <zorbase/mail/mail.h>
#include <zorbase/desktop/desktop.h>
#include <zorbase/selftest/selftest.h>
