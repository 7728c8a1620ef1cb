// State shared by the user32 files of libwinsub: thread queues, windows, and
// the one lock that guards them. Window procedures, hooks and responders are
// always called with the lock released.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/include/win32_subset.h"

namespace winsub::user32 {

std::mutex& Mutex();
using Lock = std::unique_lock<std::mutex>;

// ---- thread queues ------------------------------------------------------------
struct ThreadQueue;

// A message sent from another thread, waiting for its target thread.
struct SentMessage {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<ThreadQueue> sender;  // woken when done
};

// One keystroke of hardware input, waiting to be retrieved.
struct KeyInput {
  UINT virtualKey = 0;
  bool up = false;
  bool extended = false;
  bool inHook = false;  // being offered to the hooks as HC_NOREMOVE
};

struct ThreadQueue {
  explicit ThreadQueue(DWORD id);
  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  void Wake() const;
  void DrainWake() const;

  const DWORD threadId;
  const int wakeFd;
  // Guarded by Mutex().
  bool alive = true;
  std::deque<std::shared_ptr<SentMessage>> sent;
  std::deque<MSG> posted;
  std::deque<KeyInput> input;
  bool quitPending = false;
  int quitCode = 0;
  std::array<BYTE, 256> keyState{};
  HWND focus = nullptr;
};

constexpr std::size_t PostedLimit = 10000;

// The calling thread's queue, created on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
// Another thread's queue, or null when it has none. Lock held.
std::shared_ptr<ThreadQueue> FindQueueLocked(DWORD threadId);

// Wakes on the queue's eventfd or a watched fd (handlers run), at most
// timeoutMs (negative: no limit). Does not look at the queue's contents.
enum class WaitResult { Timeout, Woken, FdsServed };
WaitResult WaitOnce(ThreadQueue& queue, int timeoutMs);

// Whether the queue holds something of the given QS_* kinds. Lock held.
bool QueueHasLocked(const ThreadQueue& queue, UINT wakeMask);

// Runs every message other threads sent to the calling thread.
void DeliverSentMessages(ThreadQueue& queue);

DWORD TickNow();

// ---- windows -------------------------------------------------------------------
struct WindowClass {
  std::string name;
  WNDPROC proc = nullptr;
  UINT style = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  ATOM atom = 0;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> windowClass;
  std::string title;
  DWORD threadId = 0;
  HWND owner = nullptr;
  HWND parent = nullptr;  // child windows only
  DWORD style = 0;
  DWORD exStyle = 0;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;
  std::vector<unsigned char> extra;
  std::uint64_t serial = 0;  // creation order: later is higher in the Z order
  bool destroying = false;
};

Window* FindWindowLocked(HWND window);
bool IsTopLevel(const Window& window);
// Top-level windows of a thread (0: of every thread), topmost (newest)
// first. Lock held.
std::vector<HWND> ThreadTopLevelWindowsLocked(DWORD threadId);
// Whether `ancestor` is a parent (at any depth) of `window`. Lock held.
bool IsAncestorLocked(HWND ancestor, HWND window);
// Calls the window's current procedure (lock not held). 0 for a dead window.
LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Removes a finished thread's windows without messages. Lock held.
void DropThreadWindowsLocked(DWORD threadId);

// ---- keyboard ------------------------------------------------------------------
enum class KeyRetrieval { None, Swallowed, Message };
// Offers the front keystroke of the calling thread's input to the hooks and
// forms its message when it matches the filter.
KeyRetrieval RetrieveKeyInput(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last,
                              bool remove);
void DropThreadHooksLocked(DWORD threadId);

// ---- menus -----------------------------------------------------------------------
void DestroyMenuTree(HMENU menu);

// ---- filters -----------------------------------------------------------------------
// Window and range filter of GetMessageA / PeekMessageA. Lock held.
bool MatchesFilterLocked(const MSG& msg, HWND filter, UINT first, UINT last);

}  // namespace winsub::user32
