// Inside libwinsub only: how the message queue of a thread and the DDE
// transport meet. A thread waits in one place (GetMessageA, PeekMessageA's
// caller loop, MsgWaitForMultipleObjects, a DDE transaction, a message box);
// that wait also watches the thread's DDE sockets, so a server instance is
// served from its thread's ordinary message loop, and a client keeps
// dispatching its messages while a transaction waits.
#pragma once

// Exported from the shared library so that its own tests can drive the wait.
#if defined(__GNUC__)
#  define WINSUB_INTERNAL __attribute__((visibility("default")))
#else
#  define WINSUB_INTERNAL
#endif

namespace winsub {

// Called on the watching thread when its fd is ready (poll revents).
using FdHandler = void (*)(void* context, int fd, short revents);

// Adds fd (poll events) to the calling thread's wait set; watching an fd that
// is already watched replaces its events, handler and context. Handlers run
// only on that thread, from inside its waits: WaitForThreadActivity,
// GetMessageA, MsgWaitForMultipleObjects, a message box, and a SendMessageA to
// another thread's window while it waits for the answer. A handler may watch
// and unwatch (itself included) and may wait again; while it runs, its own fd
// is left out of nested waits, so it is never re-entered for that fd. An fd
// reporting POLLNVAL is unwatched after its handler has been told.
WINSUB_INTERNAL void WatchFd(int fd, short events, FdHandler handler, void* context);
WINSUB_INTERNAL void UnwatchFd(int fd);

// Waits up to timeoutMs (negative: no limit) until the calling thread's queue
// holds something to retrieve (sent, posted or input message, or WM_QUIT) or
// a watched fd is ready; ready fds have their handlers run before it returns.
// When the queue already holds something it returns at once, after serving
// the fds that are ready now. It retrieves and dispatches nothing. Returns
// true when anything happened, false on timeout.
WINSUB_INTERNAL bool WaitForThreadActivity(int timeoutMs);

// Whether the calling thread's queue holds a message to retrieve now (a
// keystroke being offered to the hooks as HC_NOREMOVE does not count).
WINSUB_INTERNAL bool ThreadHasMessages();

// A modal loop's step: dispatches every message the thread's queue holds now
// (sent messages, posted messages, keyboard input through the hook chain) with
// PeekMessageA(PM_REMOVE) + DispatchMessageA, without TranslateMessage. A
// WM_QUIT is put back and ends the step; returns true when one was seen.
// Takes at most as many messages as were posted or typed when it started, so
// a handler that posts again cannot keep it going; sent messages arriving
// meanwhile are delivered too. Thread messages (no window) are dropped.
WINSUB_INTERNAL bool PumpPendingMessages();

}  // namespace winsub
