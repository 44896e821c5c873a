// Version resources: the Win32 version calls with their Windows contracts, on Windows PE files
// and on native modules that carry a version resource (zorbase_add_resources). The resource is
// the standard VS_VERSIONINFO tree; it is checked whole before anything is handed out, so a
// truncated, looping or oversized resource gives "no version information"
// (ERROR_RESOURCE_DATA_NOT_FOUND), never a read outside the file.
//
// Platform note: wide text in the resource is UTF-16. GetFileVersionInfoW therefore stores, after
// the resource itself, a wchar_t copy of every string value; VerQueryValueW hands out pointers
// into that copy. The block must come from GetFileVersionInfoW and be aligned for wchar_t (as
// new and malloc give it); string queries on other blocks fail.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/resources.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;

// The record a library's "DllGetVersion" fills; cbSize must be set to its size (20) first.
struct DLLVERSIONINFO {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
};
typedef HRESULT (*DLLGETVERSIONPROC)(DLLVERSIONINFO* info);

typedef UINT* PUINT;

// The size of the block GetFileVersionInfoW needs for `file` (a Windows path), or 0 with the last
// error: the open's error for a missing file, ERROR_RESOURCE_TYPE_NOT_FOUND for a module without
// version information, ERROR_RESOURCE_DATA_NOT_FOUND for other files and damaged resources.
// `handle` (may be null) is set to 0.
ZORBASE_API DWORD GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle);
// Fills `data` (`size` bytes) with the version block of `file`. A smaller `size` than
// GetFileVersionInfoSizeW gave keeps the part of the resource that fits, without the copies of
// its texts (string queries then fail); below 8 bytes nothing of it is kept.
ZORBASE_API BOOL GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
// Looks up `sub_block` in a block from GetFileVersionInfoW: "\" gives the VS_FIXEDFILEINFO and
// its size in bytes; "\VarFileInfo\Translation" the array of (language, code page) words and its
// size in bytes; "\StringFileInfo\040904b0\ProductName" a wchar_t text and its length in
// characters with the terminator. Names compare without regard to ASCII case. FALSE when the
// path does not exist.
ZORBASE_API BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* buffer, PUINT length);
#endif  // _WIN32

