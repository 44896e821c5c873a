// Public headers of the selftest subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/selftest/RunLibraryTests.h>
