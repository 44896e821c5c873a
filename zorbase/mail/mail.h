// Public headers of the mail subsystem; <zorbase/zorbase.h> includes this file.
#pragma once
