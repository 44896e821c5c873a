// Public headers of the afx subsystem; <zorbase/zorbase.h> includes this file.
#pragma once

#include <zorbase/afx/CString.h>
#include <zorbase/afx/CFile.h>
#include <zorbase/afx/CObject.h>
#include <zorbase/afx/CByteArray.h>
#include <zorbase/afx/CStringArray.h>
#include <zorbase/afx/CWordArray.h>
#include <zorbase/afx/CWinApp.h>
#include <zorbase/afx/CMapStringToPtr.h>
#include <zorbase/afx/CMapStringToString.h>
