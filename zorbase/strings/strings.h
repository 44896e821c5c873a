// Public headers of the strings subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/strings/MString.h>
#include <zorbase/strings/CMapStringIToPtr.h>
#include <zorbase/strings/CMapStringIToObject.h>
#include <zorbase/strings/CharacterSetConversions.h>
#include <zorbase/strings/miscstr.h>
#include <zorbase/strings/MFormatString.h>
#include <zorbase/strings/CZorResource.h>
#include <zorbase/strings/IResStringWrapper.h>
#include <zorbase/strings/MLoadString.h>
#include <zorbase/strings/MStringTable.h>
