// The clipboard, with the contracts of the Win32 calls of the same names, over the desktop's
// clipboard when there is a display and over a clipboard of the process's own when there is none.
//
// Formats: text only, CF_UNICODETEXT (a block of wchar_t ending in 0) and CF_TEXT (bytes in the
// ANSI code page ending in 0). As on Windows, either is also offered in the other form: a block of
// one is converted when the other is asked for. Text that leaves the process goes to the desktop
// as UTF-8. Other formats, and null data (delayed rendering, which needs a window that renders on
// request), are refused with ERROR_NOT_SUPPORTED / ERROR_INVALID_PARAMETER.
//
// The desktop's clipboard is reached through its programs, each call under a time-out
// (ZORBASE_CLIPBOARD_TIMEOUT_MS milliseconds, default 5000): wl-copy and wl-paste when
// WAYLAND_DISPLAY is set, else with DISPLAY set xclip, or xsel when xclip is missing. A missing
// program gives ERROR_FILE_NOT_FOUND, one that does not answer in time ERROR_TIMEOUT; no call
// waits longer. Without either variable the process keeps a clipboard of its own.
//
// Ownership: the clipboard is open for one thread at a time. SetClipboardData takes over the
// block it is given (the caller must not free it afterwards); blocks that GetClipboardData hands
// out belong to the clipboard and are valid until the clipboard is closed or emptied, or the same
// format is set again.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/global_memory.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_UNICODETEXT = 13;

// Opens the clipboard for the calling thread (again: TRUE). FALSE with ERROR_ACCESS_DENIED while
// another thread has it open.
ZORBASE_API BOOL OpenClipboard(HWND owner);
// Closes it; a clipboard emptied and left without text is emptied on the desktop now. FALSE with
// ERROR_CLIPBOARD_NOT_OPEN when the calling thread has not opened it.
ZORBASE_API BOOL CloseClipboard();
// Removes every format and frees the blocks the clipboard holds.
ZORBASE_API BOOL EmptyClipboard();
// Puts `data` (a block from GlobalAlloc) on the clipboard as `format` and hands the text to the
// desktop at once, so the result says whether the desktop took it: `data` on success; null with
// the last error set otherwise (the block then stays the caller's).
ZORBASE_API HANDLE SetClipboardData(UINT format, HANDLE data);
// The block holding `format`, or null (ERROR_CLIPBOARD_NOT_OPEN, or ERROR_NOT_FOUND when the
// clipboard has no text).
ZORBASE_API HANDLE GetClipboardData(UINT format);
// Whether `format` can be had now; the clipboard need not be open.
ZORBASE_API BOOL IsClipboardFormatAvailable(UINT format);
// How many formats the clipboard offers (0 to 2).
ZORBASE_API int CountClipboardFormats();
// The format after `format` (0: the first) while the clipboard is open; 0 after the last, with
// last error 0, or with ERROR_CLIPBOARD_NOT_OPEN.
ZORBASE_API UINT EnumClipboardFormats(UINT format);
// The window that opened the clipboard, or null.
ZORBASE_API HWND GetOpenClipboardWindow();
#endif  // _WIN32

