// The shared wait of a thread: watched fds served inside it, wake-ups by the
// queue, and the modal-loop step.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/posix/internal/thread_wait.h"
#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

// Each test starts with an empty queue, also when all run in one process.
class ThreadWait : public testing::Test {
 protected:
  void SetUp() override {
    DrainQueue();
    ClearReceived();
  }
};


struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  int Reader() const { return fds[0]; }
  void Put(char c) const { ASSERT_EQ(write(fds[1], &c, 1), 1); }
};

struct Served {
  int calls = 0;
  DWORD threadId = 0;
  std::string bytes;
  bool unwatch = false;
  int nestedWaits = 0;  // how many nested waits to run inside the handler
  HWND postTo = nullptr;
};

void ReadOne(void* context, int fd, short revents) {
  auto* served = static_cast<Served*>(context);
  ++served->calls;
  served->threadId = GetCurrentThreadId();
  if ((revents & POLLIN) == 0) return;
  char c = 0;
  if (served->nestedWaits > 0) {
    // Still unread: a nested wait must not run this handler again.
    --served->nestedWaits;
    winsub::WaitForThreadActivity(20);
  }
  if (read(fd, &c, 1) == 1) served->bytes.push_back(c);
  if (served->unwatch) winsub::UnwatchFd(fd);
  if (served->postTo != nullptr) PostMessageA(served->postTo, WM_USER, static_cast<WPARAM>(c), 0);
}

TEST_F(ThreadWait, TimesOutWhenNothingHappens) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(winsub::WaitForThreadActivity(30));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
  EXPECT_FALSE(winsub::WaitForThreadActivity(0));
  EXPECT_FALSE(winsub::ThreadHasMessages());
}

TEST_F(ThreadWait, ServesWatchedFdsOnTheWaitingThread) {
  Pipe pipe;
  Served served;
  winsub::WatchFd(pipe.Reader(), POLLIN, ReadOne, &served);
  std::thread writer([&pipe] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pipe.Put('x');
  });
  EXPECT_TRUE(winsub::WaitForThreadActivity(5000));
  writer.join();
  EXPECT_EQ(served.bytes, "x");
  EXPECT_EQ(served.threadId, GetCurrentThreadId());
  // Unwatched: data stays unread and the wait times out.
  winsub::UnwatchFd(pipe.Reader());
  pipe.Put('y');
  EXPECT_FALSE(winsub::WaitForThreadActivity(20));
  EXPECT_EQ(served.calls, 1);
}

TEST_F(ThreadWait, WakesForMessagesFromOtherThreads) {
  const DWORD self = GetCurrentThreadId();
  winsub::ThreadHasMessages();  // the queue exists before the other thread posts
  std::thread poster([self] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    PostThreadMessageA(self, WM_USER, 0, 0);
  });
  EXPECT_TRUE(winsub::WaitForThreadActivity(5000));
  poster.join();
  EXPECT_TRUE(winsub::ThreadHasMessages());
  // A message already queued: no waiting at all.
  EXPECT_TRUE(winsub::WaitForThreadActivity(-1));
}

TEST_F(ThreadWait, HandlerMayUnwatchAndIsNotReenteredByANestedWait) {
  Pipe pipe;
  Served served;
  served.unwatch = true;
  served.nestedWaits = 1;
  winsub::WatchFd(pipe.Reader(), POLLIN, ReadOne, &served);
  pipe.Put('a');
  pipe.Put('b');
  EXPECT_TRUE(winsub::WaitForThreadActivity(1000));
  EXPECT_EQ(served.calls, 1);
  EXPECT_EQ(served.bytes, "a");
  EXPECT_FALSE(winsub::WaitForThreadActivity(20));
  EXPECT_EQ(served.calls, 1);
}

TEST_F(ThreadWait, GetMessageServesFdsWhileItBlocks) {
  HWND window = MakeWindow();
  Pipe pipe;
  Served served;
  served.postTo = window;
  winsub::WatchFd(pipe.Reader(), POLLIN, ReadOne, &served);
  std::thread writer([&pipe] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pipe.Put('q');
  });
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  writer.join();
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('q'));
  winsub::UnwatchFd(pipe.Reader());
}

int repostsLeft = 0;
LRESULT CALLBACK RepostingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 7 && repostsLeft-- > 0) PostMessageA(window, WM_USER + 7, 0, 0);
  return RecordingProc(window, message, wParam, lParam);
}

TEST_F(ThreadWait, PumpDispatchesWhatIsPendingWithoutTranslating) {
  ClearReceived();
  HWND window = MakeWindow();
  WinsubSetFocus(window);
  PostMessageA(window, WM_USER, 0, 0);
  PostMessageA(nullptr, WM_USER + 1, 0, 0);  // a thread message: lost in a modal loop
  WinsubQueueKey('A', FALSE, FALSE);
  EXPECT_FALSE(winsub::PumpPendingMessages());
  const auto seen = ReceivedInRange(WM_KEYDOWN, WM_USER + 1);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_FALSE(winsub::ThreadHasMessages());  // no WM_CHAR, thread message gone
}

TEST_F(ThreadWait, PumpPutsQuitBackAndEndsTheStep) {
  ClearReceived();
  HWND window = MakeWindow();
  PostMessageA(window, WM_USER, 0, 0);
  PostQuitMessage(3);
  EXPECT_TRUE(winsub::PumpPendingMessages());
  EXPECT_EQ(ReceivedInRange(WM_USER, WM_USER).size(), 1u);
  MSG msg{};
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(ThreadWait, PumpTakesOnlyWhatWasPendingWhenItStarted) {
  ClearReceived();
  HWND window = MakeWindow(RepostingProc);
  repostsLeft = 1000;
  PostMessageA(window, WM_USER + 7, 0, 0);
  winsub::PumpPendingMessages();
  // Each handler posts again; the step must still end.
  EXPECT_LT(ReceivedInRange(WM_USER + 7, WM_USER + 7).size(), 10u);
  EXPECT_TRUE(winsub::ThreadHasMessages());
  repostsLeft = 0;
  DrainQueue();
}

}  // namespace
