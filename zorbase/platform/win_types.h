// The Win32 type vocabulary with Windows widths, declared in the global namespace as windows.h does.
// Windows `long` is 32 bits: LONG, ULONG and DWORD are 32-bit here although native long is 64 bits,
// so file formats, hashes and registry numbers keep their Windows sizes. `__int64` is a macro for
// `long long`, as with other Windows compilers for this platform, so that `unsigned __int64` compiles;
// LONGLONG and ULONGLONG are `long long` and `unsigned long long` as on Windows (not std::int64_t,
// which is `long` here).
#pragma once

#include <cstddef>
#include <cstdint>

#include <zorbase/platform/windows_sdk.h>

// A 64-bit unsigned number, as the registry's REG_QWORD holds it (Windows has no type name for it).
typedef std::uint64_t QWORD;

// On Windows the rest of this file comes from the system headers (windows_sdk.h).
#ifndef _WIN32

typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::int32_t INT;
typedef std::uint32_t UINT;
typedef std::int16_t SHORT;
typedef std::uint16_t USHORT;
typedef std::int32_t BOOL;
typedef std::uint8_t BOOLEAN;
#ifndef __int64
#define __int64 long long
#endif
typedef char CHAR;
typedef unsigned char UCHAR;
typedef wchar_t WCHAR;
typedef long long LONGLONG;
typedef unsigned long long ULONGLONG;
typedef std::uint64_t DWORD64;
typedef std::int32_t HRESULT;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t DWORD_PTR;
typedef std::size_t SIZE_T;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef float FLOAT;
typedef double DOUBLE;

typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* PVOID;
typedef BYTE* LPBYTE;
typedef BYTE* PBYTE;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG* PLONG;
typedef LONG* LPLONG;
typedef BOOL* LPBOOL;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* PWSTR;
typedef const wchar_t* PCWSTR;
typedef LPWSTR LPTSTR;
typedef LPCWSTR LPCTSTR;
typedef WCHAR TCHAR;

// Handles are opaque pointers to platform objects.
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct HWND__;
typedef HWND__* HWND;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HDC__;
typedef HDC__* HDC;
struct SC_HANDLE__;
typedef SC_HANDLE__* SC_HANDLE;
struct SERVICE_STATUS_HANDLE__;
typedef SERVICE_STATUS_HANDLE__* SERVICE_STATUS_HANDLE;
struct HRSRC__;
typedef HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define INFINITE 0xFFFFFFFFu

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
typedef FILETIME* LPFILETIME;
typedef FILETIME* PFILETIME;

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
typedef LARGE_INTEGER* PLARGE_INTEGER;

union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
typedef ULARGE_INTEGER* PULARGE_INTEGER;

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef GUID CLSID;
typedef GUID IID;
typedef const GUID& REFGUID;
typedef const GUID& REFCLSID;
typedef const GUID& REFIID;

// HRESULT helpers and the common codes.
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define MAKE_HRESULT(sev, fac, code) \
  static_cast<HRESULT>((static_cast<std::uint32_t>(sev) << 31) | (static_cast<std::uint32_t>(fac) << 16) | static_cast<std::uint32_t>(code))
#define FACILITY_WIN32 7
#define HRESULT_FROM_WIN32(x) \
  (static_cast<HRESULT>(x) <= 0 ? static_cast<HRESULT>(x) \
                                : static_cast<HRESULT>((static_cast<std::uint32_t>(x) & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u))
#define HRESULT_CODE(hr) (static_cast<std::uint32_t>(hr) & 0xFFFFu)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);

#endif  // !_WIN32
