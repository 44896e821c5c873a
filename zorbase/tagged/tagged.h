// Public headers of the tagged subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/tagged/MFileTagReplacer.h>
#include <zorbase/tagged/MFileTagged.h>
#include <zorbase/tagged/MTag.h>
#include <zorbase/tagged/MTagList.h>
