// Window messages between threads: message targets (HWND) that a thread creates with a window
// procedure, synchronous sends, posted messages and the message pump, with the contracts of the
// Win32 calls of the same names. There is no display: every window is a message target (the
// parent HWND_MESSAGE makes that explicit, as on Windows).
//
// Threads: a window belongs to the thread that created it. SendMessageW runs the procedure at once
// when the caller owns the window; otherwise it queues the call for the owner and waits until the
// owner handles it in PeekMessageW or GetMessageW (or while the owner itself waits in SendMessageW:
// a thread waiting for a reply still handles messages sent to its own windows, so two threads that
// send to each other do not deadlock). PostMessageW queues the message for the owner, which
// receives it from its pump. When a thread ends, its windows go with it: sends and posts to them
// fail with ERROR_INVALID_WINDOW_HANDLE (1400), and senders that were waiting get that error.
#pragma once

#include <zorbase/platform/export.h>
#include <zorbase/platform/win_errors.h>
#include <zorbase/platform/win_types.h>

#ifndef _WIN32  // the declarations below come from the system headers on Windows

#define CALLBACK

struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;
struct HMENU__;
typedef HMENU__* HMENU;
typedef WORD ATOM;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);

struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};

struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

// The parent of a message-only window.
#define HWND_MESSAGE (reinterpret_cast<HWND>(static_cast<LONG_PTR>(-3)))

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr int GWLP_USERDATA = -21;

// At most this many posted messages wait in one thread's queue; a further post fails with
// ERROR_NOT_ENOUGH_QUOTA, as on Windows.
constexpr unsigned kPostedMessageQuota = 10000;

// Registers a window class by name (names compare without regard to ASCII case; the module handle
// is not part of the key). Returns the class atom, or 0 with ERROR_CLASS_ALREADY_EXISTS for a
// name in use and ERROR_INVALID_PARAMETER without a procedure or a name.
ZORBASE_API ATOM RegisterClassW(const WNDCLASSW* wndClass);
// Removes a class that has no windows left (ERROR_CLASS_HAS_WINDOWS otherwise,
// ERROR_CLASS_DOES_NOT_EXIST for an unknown name). `className` may be an atom (MAKEINTATOM).
ZORBASE_API BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);

// Creates a window of a registered class, owned by the calling thread. The procedure receives
// WM_NCCREATE (FALSE cancels) and WM_CREATE (-1 cancels) with a CREATESTRUCTW, as on Windows.
// Returns null with ERROR_CANNOT_FIND_WND_CLASS for an unknown class, or
// ERROR_INVALID_WINDOW_HANDLE for a parent that is neither null, HWND_MESSAGE nor a window.
// Position, size, style and menu are kept only to be handed to the procedure.
ZORBASE_API HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                                 int x, int y, int width, int height, HWND parent, HMENU menu,
                                 HINSTANCE instance, LPVOID param);
// Destroys a window of the calling thread: the procedure receives WM_DESTROY and WM_NCDESTROY,
// then the handle is invalid and messages still posted to it are discarded. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for an unknown handle, ERROR_ACCESS_DENIED for another thread's.
ZORBASE_API BOOL DestroyWindow(HWND window);
// Whether `window` names a window that exists.
ZORBASE_API BOOL IsWindow(HWND window);
// The default procedure: TRUE for WM_NCCREATE, 0 for everything else.
ZORBASE_API LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Calls the window's procedure and returns its result; see the thread rules above. 0 with
// ERROR_INVALID_WINDOW_HANDLE for a window that does not exist or whose thread has ended.
ZORBASE_API LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues the message for the window's thread (a null window: for the calling thread itself).
// FALSE with ERROR_INVALID_WINDOW_HANDLE when the window or its thread is gone, or
// ERROR_NOT_ENOUGH_QUOTA when the queue is full.
ZORBASE_API BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_QUIT with `exitCode` to the calling thread; GetMessageW returns 0 on it.
ZORBASE_API void PostQuitMessage(int exitCode);

// Handles messages sent to the calling thread's windows, then looks for a posted message of the
// calling thread that matches the filter (window: null any, (HWND)-1 only thread messages, else
// that window; range: 0 and 0 for all, else inclusive). With PM_REMOVE the message is taken off
// the queue. TRUE when a message was stored in `msg`. Never waits.
ZORBASE_API BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg);
// As PeekMessageW with PM_REMOVE, but waits (handling sent messages meanwhile) until a matching
// message arrives. Returns 0 for WM_QUIT, -1 with ERROR_INVALID_WINDOW_HANDLE when `window` is not
// a window, otherwise nonzero.
ZORBASE_API BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
// Calls the procedure of the message's window (a window of the calling thread) and returns its
// result; 0 for a thread message or a window that is gone.
ZORBASE_API LRESULT DispatchMessageW(const MSG* msg);
// Messages need no translation here (there is no keyboard); returns FALSE.
ZORBASE_API BOOL TranslateMessage(const MSG* msg);

// The thread that owns `window` (0 with ERROR_INVALID_WINDOW_HANDLE if there is no such window),
// and in `processId`, when not null, the process's identifier.
ZORBASE_API DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);

// GWLP_USERDATA of a window: a value the host attaches to it. Other indexes fail with
// ERROR_INVALID_INDEX. The setter returns the previous value.
ZORBASE_API LONG_PTR GetWindowLongPtrW(HWND window, int index);
ZORBASE_API LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);

// ---- enabled state and input ---------------------------------------------------------------------
// A window is created enabled. There is no display, so the input state is bookkeeping with the
// Windows contracts: a thread's mouse capture, keyboard focus and active window name windows of
// that thread, and a window that is destroyed or (for focus and capture) disabled loses them.

// Enables or disables a window; when the state changes the procedure receives WM_ENABLE with the
// new state in wParam. Returns nonzero when the window was disabled before, zero when it was
// enabled (or with ERROR_INVALID_WINDOW_HANDLE when there is no such window).
ZORBASE_API BOOL EnableWindow(HWND window, BOOL enable);
ZORBASE_API BOOL IsWindowEnabled(HWND window);
// Calls `callback` for each top-level window (created with a null parent; message-only windows are
// not top-level) of the process, oldest first, until it returns FALSE. FALSE when the callback
// stopped the enumeration.
ZORBASE_API BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam);

// The calling thread's mouse capture: SetCapture returns the previous holder (and captures nothing
// for a window that is not the caller's); ReleaseCapture clears it.
ZORBASE_API HWND SetCapture(HWND window);
ZORBASE_API BOOL ReleaseCapture();
ZORBASE_API HWND GetCapture();
// The calling thread's keyboard focus: SetFocus returns the previous focus; null clears it; a
// disabled window or another thread's is refused (null returned, focus unchanged).
ZORBASE_API HWND SetFocus(HWND window);
ZORBASE_API HWND GetFocus();
// The calling thread's active top-level window, as SetFocus.
ZORBASE_API HWND SetActiveWindow(HWND window);
ZORBASE_API HWND GetActiveWindow();
#endif  // _WIN32

