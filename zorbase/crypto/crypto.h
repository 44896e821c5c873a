// Public headers of the crypto subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
