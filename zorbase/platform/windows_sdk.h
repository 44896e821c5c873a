// On Windows the Win32 vocabulary (types, constants, structures) and the Win32 and runtime calls
// the library makes come from the system's own headers, never from declarations of ours. This is
// the one place that includes them, with the settings every unit of the library and of its hosts
// must share so that names mean the same everywhere: wide-character names (UNICODE, so TCHAR is
// WCHAR as in the Linux build), no min/max macros (NOMINMAX), and the macros of the system headers
// that are ordinary words in the library's code (the GDI region code ERROR, the RPC type `small`, the old pointer qualifiers
// `far` and `near`)
// removed again. Elsewhere this header is empty.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winreg.h>
#include <winsvc.h>
#include <winver.h>

#include <direct.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <wchar.h>

#undef ERROR
#undef small
#undef far
#undef near
#endif
