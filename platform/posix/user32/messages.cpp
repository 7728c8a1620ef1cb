// Posting, sending and retrieving messages. Retrieval order follows Windows:
// messages sent from other threads are delivered first (inside the call),
// then posted messages in FIFO order, then keyboard input, then WM_QUIT.
#include <chrono>
#include <climits>

#include "platform/posix/include/winsub_control.h"
#include "platform/posix/internal/thread_wait.h"
#include "platform/posix/user32/user32_state.h"

namespace winsub::user32 {

namespace {

constexpr DWORD ErrorInvalidThreadId = 1444;
constexpr DWORD ErrorWindowOfOtherThread = 1408;
const HWND BroadcastWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xFFFF));
const HWND ThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// Messages below WM_USER whose parameters carry pointers cannot be posted.
bool CarriesPointer(UINT message) {
  switch (message) {
    case WM_CREATE:
    case 0x000C:  // WM_SETTEXT
    case 0x000D:  // WM_GETTEXT
    case 0x0081:  // WM_NCCREATE
    case 0x004A:  // WM_COPYDATA
      return true;
    default:
      return false;
  }
}

MSG MakeMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = TickNow();
  return msg;
}

// Lock held. Fails with the last error set.
bool PostToQueueLocked(ThreadQueue& queue, const MSG& msg) {
  if (!queue.alive) {
    SetLastError(ErrorInvalidThreadId);
    return false;
  }
  if (queue.posted.size() >= PostedLimit) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return false;
  }
  queue.posted.push_back(msg);
  queue.Wake();
  return true;
}

bool PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Lock lock(Mutex());
  if (window == BroadcastWindow) {
    // Every top-level window of the process.
    bool any = false;
    for (auto& top : ThreadTopLevelWindowsLocked(0)) {
      Window* target = FindWindowLocked(top);
      auto queue = target ? FindQueueLocked(target->threadId) : nullptr;
      if (queue) any = PostToQueueLocked(*queue, MakeMsg(top, message, wParam, lParam)) || any;
    }
    return any;
  }
  Window* target = FindWindowLocked(window);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  auto queue = FindQueueLocked(target->threadId);
  if (!queue) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return PostToQueueLocked(*queue, MakeMsg(window, message, wParam, lParam));
}

LRESULT SendAcrossThreads(const std::shared_ptr<ThreadQueue>& target, HWND window, UINT message,
                          WPARAM wParam, LPARAM lParam) {
  auto self = CurrentQueue();
  auto sent = std::make_shared<SentMessage>();
  sent->window = window;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = self;
  {
    Lock lock(Mutex());
    if (!target->alive) return 0;
    target->sent.push_back(sent);
    target->Wake();
  }
  // While waiting, this thread still answers messages sent to it (so two
  // threads sending to each other do not deadlock) and serves its fds.
  for (;;) {
    {
      Lock lock(Mutex());
      if (sent->done) return sent->result;
    }
    DeliverSentMessages(*self);
    {
      Lock lock(Mutex());
      if (sent->done) return sent->result;
    }
    WaitOnce(*self, -1);
  }
}

// One retrieval attempt; sent messages are delivered on the way.
bool PeekOnce(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  for (;;) {
    DeliverSentMessages(queue);
    {
      Lock lock(Mutex());
      for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!MatchesFilterLocked(*it, filter, first, last)) continue;
        *out = *it;
        if (remove) queue.posted.erase(it);
        return true;
      }
    }
    const KeyRetrieval key = RetrieveKeyInput(queue, out, filter, first, last, remove);
    if (key == KeyRetrieval::Message) return true;
    // A swallowed key may have led its hook to post: look again from the top.
    if (key == KeyRetrieval::Swallowed) continue;
    Lock lock(Mutex());
    if (queue.quitPending) {
      *out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
      if (remove) queue.quitPending = false;
      return true;
    }
    return false;
  }
}

// A filter window must exist; -1 stands for "thread messages only".
bool FilterIsValid(HWND filter) {
  if (filter == nullptr || filter == ThreadMessagesOnly) return true;
  Lock lock(Mutex());
  return FindWindowLocked(filter) != nullptr;
}

}  // namespace

bool MatchesFilterLocked(const MSG& msg, HWND filter, UINT first, UINT last) {
  if (filter == ThreadMessagesOnly) {
    if (msg.hwnd != nullptr) return false;
  } else if (filter != nullptr && msg.hwnd != filter && !IsAncestorLocked(filter, msg.hwnd)) {
    return false;
  }
  if (first == 0 && last == 0) return true;
  if (first > last) return true;
  return msg.message >= first && msg.message <= last;
}

void DeliverSentMessages(ThreadQueue& queue) {
  for (;;) {
    std::shared_ptr<SentMessage> sent;
    {
      Lock lock(Mutex());
      if (queue.sent.empty()) return;
      sent = queue.sent.front();
      queue.sent.pop_front();
    }
    const LRESULT result =
        CallWindowProcedure(sent->window, sent->message, sent->wParam, sent->lParam);
    Lock lock(Mutex());
    sent->result = result;
    sent->done = true;
    if (sent->sender) sent->sender->Wake();
  }
}

}  // namespace winsub::user32

using namespace winsub::user32;

WINSUB_API BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (WinsubFaultStrikes(WINSUB_FAULT_POST_MESSAGE)) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  if (message < WM_USER && CarriesPointer(message)) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  if (window == nullptr) {
    auto queue = CurrentQueue();
    Lock lock(Mutex());
    return PostToQueueLocked(*queue, MakeMsg(nullptr, message, wParam, lParam)) ? TRUE : FALSE;
  }
  return PostToWindow(window, message, wParam, lParam) ? TRUE : FALSE;
}

WINSUB_API BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
  if (message < WM_USER && CarriesPointer(message)) {
    SetLastError(ERROR_MESSAGE_SYNC_ONLY);
    return FALSE;
  }
  if (threadId == GetCurrentThreadId()) CurrentQueue();
  Lock lock(Mutex());
  auto queue = FindQueueLocked(threadId);
  if (!queue) {
    SetLastError(ErrorInvalidThreadId);
    return FALSE;
  }
  return PostToQueueLocked(*queue, MakeMsg(nullptr, message, wParam, lParam)) ? TRUE : FALSE;
}

WINSUB_API LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> target;
  {
    Lock lock(Mutex());
    Window* found = FindWindowLocked(window);
    if (found == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (found->threadId != GetCurrentThreadId()) {
      target = FindQueueLocked(found->threadId);
      if (!target) return 0;
    }
  }
  if (!target) return CallWindowProcedure(window, message, wParam, lParam);
  return SendAcrossThreads(target, window, message, wParam, lParam);
}

WINSUB_API void WINAPI PostQuitMessage(int exitCode) {
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  queue->quitPending = true;
  queue->quitCode = exitCode;
  queue->Wake();
}

WINSUB_API BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT msgFilterMin, UINT msgFilterMax,
                                    UINT removeMsg) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!FilterIsValid(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  auto queue = CurrentQueue();
  return PeekOnce(*queue, msg, window, msgFilterMin, msgFilterMax, (removeMsg & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

WINSUB_API BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT msgFilterMin, UINT msgFilterMax) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!FilterIsValid(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  auto queue = CurrentQueue();
  for (;;) {
    // Drained before looking, so anything arriving after the look wakes the wait.
    queue->DrainWake();
    if (PeekOnce(*queue, msg, window, msgFilterMin, msgFilterMax, true))
      return msg->message == WM_QUIT ? FALSE : TRUE;
    WaitOnce(*queue, -1);
  }
}

WINSUB_API LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (msg == nullptr) return 0;
  // Thread messages have no window to go to: dropped, as on Windows.
  if (msg->hwnd == nullptr) return 0;
  {
    Lock lock(Mutex());
    Window* target = FindWindowLocked(msg->hwnd);
    if (target == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (target->threadId != GetCurrentThreadId()) {
      SetLastError(ErrorWindowOfOtherThread);
      return 0;
    }
  }
  return CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

WINSUB_API DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                                  DWORD milliseconds, DWORD wakeMask) {
  (void)handles;
  (void)waitAll;
  // No waitable kernel objects exist here: only the queue can be waited on.
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  auto queue = CurrentQueue();
  const bool forever = milliseconds == INFINITE;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
  for (;;) {
    queue->DrainWake();
    {
      Lock lock(Mutex());
      if (QueueHasLocked(*queue, wakeMask)) return WAIT_OBJECT_0 + count;
    }
    int wait = -1;
    if (!forever) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return WAIT_TIMEOUT;
      wait = left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
    }
    WaitOnce(*queue, wait);
  }
}

namespace winsub {

bool PumpPendingMessages() {
  auto queue = CurrentQueue();
  std::size_t budget = 0;
  {
    Lock lock(Mutex());
    // Only what is there now: a handler that posts again must not keep the
    // step going for ever.
    budget = queue->posted.size() + queue->input.size() + 1;
  }
  MSG msg{};
  for (std::size_t done = 0; done < budget; ++done) {
    if (!PeekOnce(*queue, &msg, nullptr, 0, 0, true)) return false;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    DispatchMessageA(&msg);
  }
  DeliverSentMessages(*queue);
  return false;
}

}  // namespace winsub
