// Posting, sending and retrieving: order, filters, threads, limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/posix/internal/thread_wait.h"
#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

// Each test starts with an empty queue, also when all run in one process.
class Messages : public testing::Test {
 protected:
  void SetUp() override {
    DrainQueue();
    ClearReceived();
  }
};


const HWND ThreadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

// Blocks until a message sent from another thread waits in this thread's queue.
void AwaitIncomingSend() {
  ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_SENDMESSAGE),
            static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(Messages, RetrievalOrderIsSentThenPostedThenInputThenQuit) {
  ClearReceived();
  HWND window = MakeWindow();
  WinsubSetFocus(window);
  PostQuitMessage(7);
  WinsubQueueKey('K', FALSE, FALSE);
  PostMessageA(window, WM_USER + 1, 0, 0);
  PostMessageA(window, WM_USER + 2, 0, 0);
  std::thread sender([window] { SendMessageA(window, WM_USER + 3, 0, 0); });
  AwaitIncomingSend();

  std::vector<UINT> order;
  MSG msg{};
  BOOL got = TRUE;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    order.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  sender.join();
  EXPECT_EQ(got, FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  // The sent message never comes out of GetMessageA: it is delivered inside it.
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN}));
  const auto seen = ReceivedInRange(WM_KEYDOWN, WM_USER + 3);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_USER + 3));
  EXPECT_EQ(seen[3].message, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(Messages, PeekFiltersByWindowAndRange) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  HWND child = MakeWindow(RecordingProc, first, WS_CHILD);
  struct Case {
    const char* name;
    HWND filter;
    UINT low;
    UINT high;
    std::vector<std::pair<HWND, UINT>> expected;
  };
  const std::vector<Case> cases = {
      {"everything", nullptr, 0, 0,
       {{first, WM_USER}, {second, WM_USER + 1}, {nullptr, WM_USER + 2}, {child, WM_USER + 3}}},
      {"one window and its children", first, 0, 0, {{first, WM_USER}, {child, WM_USER + 3}}},
      {"range", nullptr, WM_USER + 1, WM_USER + 2, {{second, WM_USER + 1}, {nullptr, WM_USER + 2}}},
      {"window and range", first, WM_USER + 3, WM_USER + 9, {{child, WM_USER + 3}}},
      {"thread messages only", ThreadOnly, 0, 0, {{nullptr, WM_USER + 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DrainQueue();
    PostMessageA(first, WM_USER, 0, 0);
    PostMessageA(second, WM_USER + 1, 0, 0);
    PostMessageA(nullptr, WM_USER + 2, 0, 0);
    PostMessageA(child, WM_USER + 3, 0, 0);
    MSG msg{};
    // PM_NOREMOVE leaves the message: the same one comes back.
    ASSERT_TRUE(PeekMessageA(&msg, c.filter, c.low, c.high, PM_NOREMOVE));
    EXPECT_EQ(msg.message, c.expected.front().second);
    std::vector<std::pair<HWND, UINT>> got;
    while (PeekMessageA(&msg, c.filter, c.low, c.high, PM_REMOVE))
      got.emplace_back(msg.hwnd, msg.message);
    EXPECT_EQ(got, c.expected);
  }
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(0x7777), 0, 0, PM_REMOVE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Messages, CrossThreadPostsArriveInOrderAndWakeGetMessage) {
  HWND window = MakeWindow();
  constexpr int count = 500;
  std::thread poster([window] {
    for (int i = 0; i < count; ++i) PostMessageA(window, WM_USER, static_cast<WPARAM>(i), 0);
  });
  MSG msg{};
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    ASSERT_EQ(msg.hwnd, window);
    ASSERT_EQ(msg.wParam, static_cast<WPARAM>(i));
  }
  poster.join();
}

TEST_F(Messages, GetMessageWithFilterWaitsForAMatchingMessage) {
  HWND window = MakeWindow();
  PostMessageA(window, WM_USER + 5, 0, 0);  // outside the filter: must not be returned
  std::thread poster([window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessageA(window, WM_USER + 1, 11, 0);
  });
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, window, WM_USER, WM_USER + 2), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.wParam, 11u);
  poster.join();
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
}

std::atomic<DWORD> handledOnThread{0};
LRESULT CALLBACK AnsweringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) {
    handledOnThread = GetCurrentThreadId();
    return static_cast<LRESULT>(wParam) * 2;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Messages, SendAcrossThreadsRunsOnTheTargetThreadAndReturnsItsResult) {
  HWND window = MakeWindow(AnsweringProc);
  std::atomic<LRESULT> result{0};
  std::atomic<bool> returned{false};
  std::thread sender([&] {
    result = SendMessageA(window, WM_USER, 21, 0);
    returned = true;
  });
  AwaitIncomingSend();
  EXPECT_FALSE(returned.load());  // still blocked: nobody has retrieved yet
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // delivered, not returned
  sender.join();
  EXPECT_EQ(result.load(), 42);
  EXPECT_EQ(handledOnThread.load(), GetCurrentThreadId());
}

TEST_F(Messages, SameThreadSendCallsTheProcedureAtOnce) {
  HWND window = MakeWindow(AnsweringProc);
  handledOnThread = 0;
  EXPECT_EQ(SendMessageA(window, WM_USER, 5, 0), 10);
  EXPECT_EQ(handledOnThread.load(), GetCurrentThreadId());
  EXPECT_FALSE(winsub::ThreadHasMessages());
}

// Two threads sending to each other at the same time must both complete.
std::atomic<HWND> peerWindow{nullptr};
LRESULT CALLBACK ForwardingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1) return SendMessageA(peerWindow, WM_USER, wParam, 0) + 1;
  return AnsweringProc(window, message, wParam, lParam);
}

TEST_F(Messages, MutualSendsDoNotDeadlock) {
  // We send to the other thread, whose procedure sends back to us while we
  // still wait: our wait must answer it.
  HWND mine = MakeWindow(AnsweringProc);
  peerWindow = mine;
  std::atomic<HWND> theirs{nullptr};
  std::atomic<bool> stop{false};
  std::thread other([&] {
    theirs = MakeWindow(ForwardingProc);
    MSG msg{};
    while (!stop) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  });
  while (theirs.load() == nullptr) std::this_thread::yield();
  handledOnThread = 0;
  EXPECT_EQ(SendMessageA(theirs, WM_USER + 1, 4, 0), 9);
  EXPECT_EQ(handledOnThread.load(), GetCurrentThreadId());
  stop = true;
  other.join();
}

TEST_F(Messages, PostingRulesAndFailures) {
  HWND window = MakeWindow();
  // No window: a thread message for the calling thread.
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER, 1, 2));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(DispatchMessageA(&msg), 0);

  SetLastError(0);
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x4444), WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PostMessageA(window, WM_CREATE, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MESSAGE_SYNC_ONLY));

  WinsubInjectFault(WINSUB_FAULT_POST_MESSAGE, 1, 1);
  EXPECT_TRUE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_TRUE(PostMessageA(window, WM_USER, 0, 0));
  WinsubClearFaults();
  DrainQueue();

  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageA(window, WM_USER, 0, 0)) << i;
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
  EXPECT_FALSE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_TRUE(PostMessageA(window, WM_USER, 0, 0));

  DestroyWindow(window);
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
  EXPECT_FALSE(PostThreadMessageA(0x7FFFFFF0, WM_USER, 0, 0));
}

TEST_F(Messages, MsgWaitReportsInputOrTimesOut) {
  DrainQueue();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(35));

  const DWORD self = GetCurrentThreadId();
  std::thread poster([self] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostThreadMessageA(self, WM_USER, 0, 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_OBJECT_0));
  poster.join();
  // Already there: at once, and a key only counts for QS_KEY.
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT),
            static_cast<DWORD>(WAIT_OBJECT_0));
  DrainQueue();
  WinsubQueueKey('A', FALSE, FALSE);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_POSTMESSAGE),
            static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_KEY),
            static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(Messages, ActivateAppReachesEveryTopLevelWindowOfTheThread) {
  ClearReceived();
  std::vector<HWND> windows;
  std::atomic<bool> ready{false};
  std::atomic<bool> stop{false};
  DWORD target = 0;
  std::thread ui([&] {
    HWND owner = MakeWindow();
    HWND owned = MakeWindow(RecordingProc, owner);
    HWND child = MakeWindow(RecordingProc, owner, WS_CHILD);
    (void)child;
    windows = {owned, owner};
    target = GetCurrentThreadId();
    ready = true;
    MSG msg{};
    while (!stop) {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  });
  while (!ready) std::this_thread::yield();
  WinsubActivateApp(target, TRUE, 1234);
  // Returned only after the target handled it.
  auto seen = ReceivedInRange(WM_ACTIVATEAPP, WM_ACTIVATEAPP);
  ASSERT_EQ(seen.size(), 2u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].window, windows[i]);
    EXPECT_EQ(seen[i].wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(seen[i].lParam, 1234);
    EXPECT_EQ(seen[i].threadId, target);
  }
  stop = true;
  ui.join();

  // On the own thread: delivered directly.
  OnFreshThread([] {
    ClearReceived();
    HWND mine = MakeWindow();
    WinsubActivateApp(GetCurrentThreadId(), FALSE, 99);
    const auto direct = ReceivedInRange(WM_ACTIVATEAPP, WM_ACTIVATEAPP);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_EQ(direct[0].window, mine);
    EXPECT_EQ(direct[0].wParam, 0u);
  });
}

}  // namespace
