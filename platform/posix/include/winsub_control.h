// What only the substitute has: the controls a simulated host, a stand-in program
// or a test uses to play the parts of the user and of the system (typing keys,
// switching the active application, answering message boxes, injecting faults).
// The core never includes this header.
#pragma once

#include "platform/posix/include/win32_subset.h"

// ---- keyboard input ---------------------------------------------------------
// The window that receives keyboard messages of its thread (per thread, like
// the focus). Returns the previous one.
WINSUB_API HWND WinsubSetFocus(HWND window);
WINSUB_API HWND WinsubGetFocus(void);

// Queues one keystroke as hardware input for the calling thread. The thread's
// WH_KEYBOARD hook chain runs when the thread retrieves it (GetMessageA /
// PeekMessageA, a DDE wait, a message box), with the key-data word formed as
// Windows forms it (repeat 1, scan code, bit 24 extended, bit 29 Alt down,
// bit 30 previous state, bit 31 released). Unless a hook swallows it, the
// WM_KEYDOWN / WM_KEYUP (WM_SYSKEY* while Alt is down) goes to the focus
// window. The thread's keyboard state is updated as the key is retrieved.
WINSUB_API BOOL WinsubQueueKey(UINT virtualKey, BOOL keyUp, BOOL extended);

// Sets the thread's keyboard state directly (key down or up, no message).
WINSUB_API void WinsubSetKeyDown(UINT virtualKey, BOOL down);

// ---- application activation -----------------------------------------------
// Sends WM_ACTIVATEAPP (wParam = active) to every top-level window of the
// thread, as Windows does when the foreground moves to or from that thread.
// From another thread the call waits until the target thread has handled it.
WINSUB_API void WinsubActivateApp(DWORD threadId, BOOL active, DWORD otherThreadId);

// ---- message boxes -----------------------------------------------------------
// Answers MessageBoxA. Called on the thread that shows the box, while the box
// pumps that thread's messages; returning 0 means "not answered yet": the box
// keeps dispatching messages and asks again after each one it dispatched, or
// every 10 ms. With no responder, the text goes to standard error and the box
// answers its default button.
typedef int (*WinsubMessageBoxResponder)(void* context, HWND owner, const char* text,
                                         const char* caption, UINT type);
WINSUB_API void WinsubSetMessageBoxResponder(WinsubMessageBoxResponder responder, void* context);

// MessageBeep calls, counted per process since load.
WINSUB_API unsigned WinsubBeepCount(void);

// ---- time ----------------------------------------------------------------------
// Added to every later GetTickCount (to test the 32-bit wrap and timeouts).
WINSUB_API void WinsubAdvanceTickCount(int64_t milliseconds);

// ---- profile -------------------------------------------------------------------
// WIN.INI path: WINSUB_WIN_INI, else $HOME/.config/winsub/win.ini. A call
// here overrides both (nullptr returns to them).
WINSUB_API void WinsubSetProfilePath(const char* path);

// ---- DDE ------------------------------------------------------------------------
// Directory of the DDE service sockets: WINSUB_DDE_DIR, else
// $XDG_RUNTIME_DIR/winsub-dde, else /tmp/winsub-dde-<uid>; created with mode 0700.
WINSUB_API const char* WinsubDdeDirectory(void);

// ---- fault injection ------------------------------------------------------------
typedef enum WinsubFaultPoint {
  WINSUB_FAULT_SET_HOOK = 1,       // SetWindowsHookExA fails
  WINSUB_FAULT_UNHOOK,             // UnhookWindowsHookEx fails
  WINSUB_FAULT_POST_MESSAGE,       // PostMessageA fails
  WINSUB_FAULT_CREATE_FILE,        // CreateFileA fails (ERROR_ACCESS_DENIED)
  WINSUB_FAULT_WRITE_FILE,         // WriteFile fails
  WINSUB_FAULT_WRITE_FILE_SHORT,   // WriteFile writes half and reports that count
  WINSUB_FAULT_READ_FILE,          // ReadFile fails
  WINSUB_FAULT_DDE_CREATE_DATA,    // DdeCreateDataHandle returns 0
  WINSUB_FAULT_DDE_CREATE_STRING,  // DdeCreateStringHandleA returns 0
  WINSUB_FAULT_DDE_CONNECT,        // DdeConnect returns 0
  WINSUB_FAULT_WINEXEC,            // WinExec returns 0
} WinsubFaultPoint;

// The fault strikes after `skip` further calls pass normally, then for `count`
// calls. count 0 clears the point.
WINSUB_API void WinsubInjectFault(WinsubFaultPoint point, unsigned skip, unsigned count);
WINSUB_API void WinsubClearFaults(void);
// Used inside the library: true when this call of `point` must fail.
WINSUB_API BOOL WinsubFaultStrikes(WinsubFaultPoint point);
