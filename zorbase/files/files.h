// Public headers of the files subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/files/MFileName.h>
#include <zorbase/files/IZorFileAccess.h>
#include <zorbase/files/MFilePart.h>
#include <zorbase/files/MSwap.h>
#include <zorbase/files/MFile.h>
