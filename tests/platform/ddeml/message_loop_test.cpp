// What the client thread does while a transaction waits: it dispatches its
// window messages and keyboard input (so window procedures and the keyboard
// hook run inside the call), and it refuses a second transaction meanwhile.
#include <gmock/gmock.h>

#include <functional>
#include <string>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"
#include "tests/platform/ddeml/dde_test_support.h"

namespace {

using ddetest::Client;
using ddetest::ElapsedMs;
using ddetest::ServerOptions;
using ddetest::ServerThread;

constexpr UINT PokeMessage = WM_APP + 5;

bool inCall = false;
bool windowRanInCall = false;
bool hookRanInCall = false;
std::function<void()> onPoke;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PokeMessage) {
    windowRanInCall = inCall;
    if (onPoke) onPoke();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TestKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == VK_F2) hookRanInCall = inCall;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class DdeMessageLoopTest : public testing::Test {
 protected:
  DdeMessageLoopTest() : server_(SlowServer()) {}

  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.lpszClassName = "DdeWaitTestWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "DdeWaitTestWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    conversation_ = client_.Connect();
    ASSERT_NE(conversation_, nullptr);
  }

  void TearDown() override {
    onPoke = nullptr;
    DestroyWindow(window_);
  }

  static ServerOptions SlowServer() {
    ServerOptions options;
    options.delayMs = 200;
    return options;
  }

  HDDEDATA ExecuteInCall(DWORD timeoutMs) {
    inCall = true;
    const HDDEDATA result = client_.Execute(conversation_, "slow", timeoutMs);
    inCall = false;
    return result;
  }

  ServerThread server_;
  Client client_;
  HCONV conversation_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(DdeMessageLoopTest, PostedMessageAndKeystrokeAreHandledDuringTheWait) {
  const HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, TestKeyboardHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ASSERT_TRUE(PostMessageA(window_, PokeMessage, 0, 0));
  ASSERT_TRUE(WinsubQueueKey(VK_F2, FALSE, FALSE));
  EXPECT_NE(ExecuteInCall(2000), nullptr);
  EXPECT_TRUE(windowRanInCall);
  EXPECT_TRUE(hookRanInCall);
  UnhookWindowsHookEx(hook);
}

TEST_F(DdeMessageLoopTest, SecondTransactionWhileOneWaitsIsRefused) {
  HDDEDATA nested = reinterpret_cast<HDDEDATA>(1);
  UINT nestedError = 0;
  onPoke = [&] {
    nested = client_.Execute(conversation_, "nested", 500);
    nestedError = DdeGetLastError(client_.id);
  };
  ASSERT_TRUE(PostMessageA(window_, PokeMessage, 0, 0));
  EXPECT_NE(ExecuteInCall(2000), nullptr);
  EXPECT_EQ(nested, nullptr);
  EXPECT_EQ(nestedError, static_cast<UINT>(DMLERR_REENTRANCY));
  EXPECT_EQ(server_.Record().executes.size(), 1u);
}

TEST_F(DdeMessageLoopTest, UninitializeDuringTheWaitEndsTheCall) {
  onPoke = [&] { EXPECT_TRUE(DdeUninitialize(client_.id)); };
  ASSERT_TRUE(PostMessageA(window_, PokeMessage, 0, 0));
  HDDEDATA result = reinterpret_cast<HDDEDATA>(1);
  EXPECT_LT(ElapsedMs([&] { result = ExecuteInCall(2000); }), 150);
  EXPECT_EQ(result, nullptr);
  EXPECT_FALSE(DdeUninitialize(client_.id));
}

TEST_F(DdeMessageLoopTest, QuitMessageEndsTheWaitAndStaysQueued) {
  PostQuitMessage(3);
  HDDEDATA result = reinterpret_cast<HDDEDATA>(1);
  EXPECT_LT(ElapsedMs([&] { result = ExecuteInCall(2000); }), 150);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(DdeGetLastError(client_.id), static_cast<UINT>(DMLERR_EXECACKTIMEOUT));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
