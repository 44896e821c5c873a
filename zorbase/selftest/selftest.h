// Public headers of the selftest subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
#include <zorbase/selftest/MTestClass.h>
#include <zorbase/selftest/MTestResult.h>
#include <zorbase/selftest/RunLibraryTests.h>
#include <zorbase/selftest/TestingUtility.h>
