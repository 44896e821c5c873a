// Public headers of the files subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/files/MFileName.h>
#include <zorbase/files/IZorFileAccess.h>
#include <zorbase/files/MFilePart.h>
#include <zorbase/files/MSwap.h>
#include <zorbase/files/MFile.h>
#include <zorbase/files/MFileEx.h>
#include <zorbase/files/MFilePartEx.h>
#include <zorbase/files/MFileMemory.h>
#include <zorbase/files/MBlobBuffer.h>
#include <zorbase/files/MBlobImpl.h>
#include <zorbase/files/MDirectory.h>
#include <zorbase/files/MFolderLocker.h>
#include <zorbase/files/MTempCleaner.h>
#include <zorbase/files/MDirectoryWithMap.h>
