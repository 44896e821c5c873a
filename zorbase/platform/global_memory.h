// Global memory blocks as the clipboard exchanges them: GlobalAlloc, GlobalLock, GlobalUnlock,
// GlobalSize, GlobalFree with their Windows contracts. A fixed block's handle is its address; a
// movable block's handle is a separate token that GlobalLock turns into the address. Every call
// looks the handle up first, so a freed or foreign handle is refused with ERROR_INVALID_HANDLE
// instead of being dereferenced. Blocks never move here; the lock count is kept all the same.
// Any thread may call these.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A block of `bytes` (zeroed with GMEM_ZEROINIT), or null with ERROR_NOT_ENOUGH_MEMORY.
ZORBASE_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's address, counting one more lock for a movable block; null with
// ERROR_INVALID_HANDLE for an unknown handle.
ZORBASE_API LPVOID GlobalLock(HGLOBAL memory);
// Drops one lock: TRUE while locks remain; FALSE with last error 0 when the last one went,
// FALSE with ERROR_NOT_LOCKED when none was held, ERROR_INVALID_HANDLE for an unknown handle.
ZORBASE_API BOOL GlobalUnlock(HGLOBAL memory);
// The size asked for at allocation; 0 with ERROR_INVALID_HANDLE for an unknown handle.
ZORBASE_API SIZE_T GlobalSize(HGLOBAL memory);
// Frees the block: null on success, the handle itself with ERROR_INVALID_HANDLE when unknown.
// A null handle is accepted and gives null.
ZORBASE_API HGLOBAL GlobalFree(HGLOBAL memory);
#endif  // _WIN32

