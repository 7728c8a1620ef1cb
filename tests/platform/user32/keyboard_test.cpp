// Keyboard input as a thread retrieves it: the hook chain, the key-data word,
// the thread's keyboard state, and TranslateMessage. Each test runs on a
// fresh thread so that it starts with a fresh keyboard state.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>

#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

constexpr UINT VkF10 = 0x79;

struct HookCall {
  char hook;
  int code;
  WPARAM key;
  LPARAM keyData;
  std::array<BYTE, 256> state;
};

struct HookBehaviour {
  UINT swallowDownOf = 0;  // swallow this key's key-down
  int swallowCode = -1;    // only for this code (-1: any)
  HHOOK unhookFirst = nullptr;
};

std::vector<HookCall> calls;
HookBehaviour behaviourA, behaviourB, behaviourC;

LRESULT RunHook(char name, HookBehaviour& behaviour, int code, WPARAM key, LPARAM keyData) {
  HookCall call{name, code, key, keyData, {}};
  GetKeyboardState(call.state.data());
  calls.push_back(call);
  if (behaviour.unhookFirst != nullptr) {
    EXPECT_TRUE(UnhookWindowsHookEx(behaviour.unhookFirst));
    behaviour.unhookFirst = nullptr;
  }
  const bool down = (static_cast<std::uint32_t>(keyData) & 0x80000000u) == 0;
  if (code >= 0 && down && key == behaviour.swallowDownOf &&
      (behaviour.swallowCode < 0 || behaviour.swallowCode == code))
    return 1;
  return CallNextHookEx(nullptr, code, key, keyData);
}

LRESULT CALLBACK HookA(int code, WPARAM key, LPARAM data) { return RunHook('A', behaviourA, code, key, data); }
LRESULT CALLBACK HookB(int code, WPARAM key, LPARAM data) { return RunHook('B', behaviourB, code, key, data); }
LRESULT CALLBACK HookC(int code, WPARAM key, LPARAM data) { return RunHook('C', behaviourC, code, key, data); }

class Keyboard : public testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    behaviourA = behaviourB = behaviourC = HookBehaviour{};
    ClearReceived();
  }
};

std::string HookOrder() {
  std::string order;
  for (const auto& call : calls) order.push_back(call.hook);
  return order;
}

HHOOK Install(HOOKPROC proc) { return SetWindowsHookExA(WH_KEYBOARD, proc, nullptr, GetCurrentThreadId()); }

TEST_F(Keyboard, NewestHookFirstAndASwallowedKeyNeverReachesTheWindow) {
  OnFreshThread([] {
    HWND window = MakeWindow();
    WinsubSetFocus(window);
    HHOOK a = Install(HookA);
    HHOOK b = Install(HookB);
    HHOOK c = Install(HookC);
    ASSERT_TRUE(a && b && c);
    behaviourB.swallowDownOf = 'K';
    WinsubQueueKey('K', FALSE, FALSE);
    WinsubQueueKey('K', TRUE, FALSE);
    WinsubQueueKey('J', FALSE, FALSE);
    DrainQueue();
    // Key-down of K: C then B, which swallows it; its key-up and J pass all.
    EXPECT_EQ(HookOrder(), "CBCBACBA");
    const auto seen = ReceivedInRange(WM_KEYDOWN, WM_SYSKEYUP);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(seen[0].window, window);
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>('J'));
    // The swallowed key-down still counted as a press (the key-up found it down).
    EXPECT_EQ(calls[2].state['K'] & 0x80, 0x80);
    BYTE state[256];
    GetKeyboardState(state);
    EXPECT_EQ(state['K'], 0x01);
  });
}

TEST_F(Keyboard, CallNextHookExFollowsTheRunningHookAndUnhookingMidCallIsSafe) {
  OnFreshThread([] {
    EXPECT_EQ(CallNextHookEx(nullptr, HC_ACTION, 'K', 0), 0);  // no chain running
    HHOOK a = Install(HookA);
    HHOOK b = Install(HookB);
    Install(HookC);
    // Another thread's hook never runs here.
    std::thread([] { Install(HookA); }).join();
    behaviourC.unhookFirst = b;
    WinsubQueueKey('K', FALSE, FALSE);
    DrainQueue();
    EXPECT_EQ(HookOrder(), "CA");
    calls.clear();
    WinsubQueueKey('K', TRUE, FALSE);
    DrainQueue();
    EXPECT_EQ(HookOrder(), "CA");
    EXPECT_FALSE(UnhookWindowsHookEx(b));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
    EXPECT_TRUE(UnhookWindowsHookEx(a));
    EXPECT_FALSE(UnhookWindowsHookEx(a));
  });
}

TEST_F(Keyboard, PeekWithoutRemovingRunsHooksWithNoRemoveAndLeavesTheState) {
  OnFreshThread([] {
    HWND window = MakeWindow();
    WinsubSetFocus(window);
    Install(HookA);
    WinsubQueueKey('K', FALSE, FALSE);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    BYTE state[256];
    GetKeyboardState(state);
    EXPECT_EQ(state['K'], 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].code, HC_NOREMOVE);
    EXPECT_EQ(calls[1].code, HC_ACTION);
    EXPECT_EQ(calls[0].keyData, calls[1].keyData);
    GetKeyboardState(state);
    EXPECT_EQ(state['K'], 0x81);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    // Swallowed while only peeked: gone all the same, and counted.
    behaviourA.swallowDownOf = 'J';
    behaviourA.swallowCode = HC_NOREMOVE;
    WinsubQueueKey('J', FALSE, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    GetKeyboardState(state);
    EXPECT_EQ(state['J'], 0x81);
  });
}

TEST_F(Keyboard, KeyDataIsFormedAsWindowsFormsIt) {
  struct Row {
    UINT key;
    bool up;
    bool extended;
    UINT message;
    WPARAM wParam;
    std::uint32_t keyData;
  };
  const Row rows[] = {
      {'K', false, false, WM_KEYDOWN, 'K', 0x00250001},
      {'K', false, false, WM_KEYDOWN, 'K', 0x40250001},  // auto-repeat
      {'K', true, false, WM_KEYUP, 'K', 0xC0250001},
      {VK_UP, false, true, WM_KEYDOWN, VK_UP, 0x01480001},   // arrow block
      {VK_UP, true, true, WM_KEYUP, VK_UP, 0xC1480001},
      {VK_UP, false, false, WM_KEYDOWN, VK_UP, 0x00480001},  // keypad, Num Lock off
      {VK_UP, true, false, WM_KEYUP, VK_UP, 0xC0480001},
      {VK_RETURN, false, true, WM_KEYDOWN, VK_RETURN, 0x011C0001},  // keypad Enter
      {VK_RETURN, true, true, WM_KEYUP, VK_RETURN, 0xC11C0001},
      {VK_RETURN, false, false, WM_KEYDOWN, VK_RETURN, 0x001C0001},
      {VK_RETURN, true, false, WM_KEYUP, VK_RETURN, 0xC01C0001},
      {VK_MENU, false, true, WM_SYSKEYDOWN, VK_MENU, 0x21380001},  // right Alt
      {'K', false, false, WM_SYSKEYDOWN, 'K', 0x20250001},
      {'K', true, false, WM_SYSKEYUP, 'K', 0xE0250001},
      {VK_MENU, true, true, WM_SYSKEYUP, VK_MENU, 0xC1380001},
      {VK_LCONTROL, false, false, WM_KEYDOWN, VK_CONTROL, 0x001D0001},
      {VK_LMENU, false, false, WM_KEYDOWN, VK_MENU, 0x20380001},  // Ctrl+Alt: no WM_SYS*
      {'K', false, false, WM_KEYDOWN, 'K', 0x20250001},
      {'K', true, false, WM_KEYUP, 'K', 0xE0250001},
      {VK_LMENU, true, false, WM_SYSKEYUP, VK_MENU, 0xC0380001},
      {VK_LCONTROL, true, false, WM_KEYUP, VK_CONTROL, 0xC01D0001},
      {VK_RCONTROL, false, false, WM_KEYDOWN, VK_CONTROL, 0x011D0001},
      {VK_RCONTROL, true, false, WM_KEYUP, VK_CONTROL, 0xC11D0001},
      {VK_RSHIFT, false, false, WM_KEYDOWN, VK_SHIFT, 0x00360001},
      {VK_RSHIFT, true, false, WM_KEYUP, VK_SHIFT, 0xC0360001},
      {VkF10, false, false, WM_SYSKEYDOWN, VkF10, 0x00440001},
      {VkF10, true, false, WM_SYSKEYUP, VkF10, 0xC0440001},
  };
  OnFreshThread([&rows] {
    HWND window = MakeWindow();
    WinsubSetFocus(window);
    Install(HookA);
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << "key " << row.key << (row.up ? " up" : " down"));
      calls.clear();
      WinsubQueueKey(row.key, row.up, row.extended);
      MSG msg{};
      ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
      EXPECT_EQ(msg.hwnd, window);
      EXPECT_EQ(msg.message, row.message);
      EXPECT_EQ(msg.wParam, row.wParam);
      EXPECT_EQ(static_cast<std::uint32_t>(msg.lParam), row.keyData);
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].key, row.wParam);
      EXPECT_EQ(static_cast<std::uint32_t>(calls[0].keyData), row.keyData);
    }
  });
}

TEST_F(Keyboard, StateInsideTheHookIsBeforeTheKeystrokeAndAfterwardsIncludesIt) {
  struct Expect {
    UINT key;
    BYTE value;
  };
  struct Row {
    UINT key;
    bool up;
    bool extended;
    std::vector<Expect> inside;
    std::vector<Expect> after;
  };
  const std::vector<Row> rows = {
      {VK_SHIFT, false, false, {{VK_SHIFT, 0x00}, {VK_LSHIFT, 0x00}},
       {{VK_SHIFT, 0x81}, {VK_LSHIFT, 0x81}, {VK_RSHIFT, 0x00}}},
      {'K', false, false, {{VK_SHIFT, 0x81}, {'K', 0x00}}, {{'K', 0x81}}},
      {'K', false, false, {{'K', 0x81}}, {{'K', 0x81}}},  // a repeat does not toggle
      {'K', true, false, {{'K', 0x81}}, {{'K', 0x01}}},
      {'K', false, false, {{'K', 0x01}}, {{'K', 0x80}}},
      {'K', true, false, {}, {{'K', 0x00}}},
      {VK_SHIFT, true, false, {{VK_SHIFT, 0x81}}, {{VK_SHIFT, 0x01}, {VK_LSHIFT, 0x01}}},
      {VK_CONTROL, false, true, {{VK_CONTROL, 0x00}},
       {{VK_CONTROL, 0x81}, {VK_RCONTROL, 0x81}, {VK_LCONTROL, 0x00}}},
      {VK_CONTROL, false, false, {}, {{VK_CONTROL, 0x81}, {VK_LCONTROL, 0x81}}},
      {VK_CONTROL, true, true, {{VK_RCONTROL, 0x81}}, {{VK_CONTROL, 0x81}, {VK_RCONTROL, 0x01}}},
      {VK_CONTROL, true, false, {}, {{VK_CONTROL, 0x01}, {VK_LCONTROL, 0x01}}},
      {VK_MENU, false, true, {{VK_MENU, 0x00}}, {{VK_MENU, 0x81}, {VK_RMENU, 0x81}, {VK_LMENU, 0x00}}},
      {VK_MENU, true, true, {{VK_MENU, 0x81}}, {{VK_MENU, 0x01}, {VK_RMENU, 0x01}}},
  };
  OnFreshThread([&rows] {
    Install(HookA);
    int index = 0;
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << "row " << index++);
      calls.clear();
      WinsubQueueKey(row.key, row.up, row.extended);
      DrainQueue();
      ASSERT_EQ(calls.size(), 1u);
      for (const auto& expect : row.inside)
        EXPECT_EQ(calls[0].state[expect.key], expect.value) << "inside, key " << expect.key;
      BYTE state[256];
      GetKeyboardState(state);
      for (const auto& expect : row.after)
        EXPECT_EQ(state[expect.key], expect.value) << "after, key " << expect.key;
    }
  });
}

TEST_F(Keyboard, TranslateMessageMakesCharacters) {
  struct Row {
    UINT key;
    std::vector<UINT> held;
    UINT charMessage;  // 0: none
    WPARAM character;
  };
  const std::vector<Row> rows = {
      {'A', {}, WM_CHAR, 'a'},
      {'A', {VK_SHIFT}, WM_CHAR, 'A'},
      {'5', {}, WM_CHAR, '5'},
      {'5', {VK_SHIFT}, WM_CHAR, '%'},
      {VK_SPACE, {}, WM_CHAR, ' '},
      {VK_RETURN, {}, WM_CHAR, '\r'},
      {'C', {VK_CONTROL}, WM_CHAR, 0x03},
      {'X', {VK_MENU}, WM_SYSCHAR, 'x'},
      {VK_F1, {}, 0, 0},
      {VK_LEFT, {}, 0, 0},
  };
  OnFreshThread([&rows] {
    HWND window = MakeWindow();
    WinsubSetFocus(window);
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << "key " << row.key);
      for (UINT held : row.held) WinsubSetKeyDown(held, TRUE);
      WinsubQueueKey(row.key, FALSE, FALSE);
      MSG msg{};
      ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
      EXPECT_TRUE(TranslateMessage(&msg));
      MSG typed{};
      const bool got = PeekMessageA(&typed, nullptr, 0, 0, PM_REMOVE) != FALSE;
      EXPECT_EQ(got, row.charMessage != 0);
      if (got) {
        EXPECT_EQ(typed.message, row.charMessage);
        EXPECT_EQ(typed.wParam, row.character);
        EXPECT_EQ(typed.hwnd, window);
      }
      WinsubQueueKey(row.key, TRUE, FALSE);
      DrainQueue();
      for (UINT held : row.held) WinsubSetKeyDown(held, FALSE);
    }
    MSG notKey{};
    notKey.message = WM_USER;
    EXPECT_FALSE(TranslateMessage(&notKey));
  });
}

TEST_F(Keyboard, KeysGoToTheFocusWindowOfTheThread) {
  OnFreshThread([] {
    HWND first = MakeWindow();
    HWND second = MakeWindow();
    EXPECT_EQ(WinsubSetFocus(first), nullptr);
    EXPECT_EQ(WinsubSetFocus(second), first);
    EXPECT_EQ(WinsubGetFocus(), second);
    WinsubQueueKey('K', FALSE, FALSE);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, second);
    // A filter for another window leaves the key where it is.
    WinsubQueueKey('K', TRUE, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, first, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
    // With the focus window gone, keys still pass the hooks but go to no window.
    Install(HookA);
    DestroyWindow(second);
    EXPECT_EQ(WinsubGetFocus(), nullptr);
    WinsubQueueKey('J', FALSE, FALSE);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(calls.size(), 1u);
  });
}

TEST_F(Keyboard, HookFaultsAndBadArguments) {
  OnFreshThread([] {
    WinsubInjectFault(WINSUB_FAULT_SET_HOOK, 0, 1);
    EXPECT_EQ(Install(HookA), nullptr);
    HHOOK hook = Install(HookA);
    ASSERT_NE(hook, nullptr);
    WinsubInjectFault(WINSUB_FAULT_UNHOOK, 0, 1);
    EXPECT_FALSE(UnhookWindowsHookEx(hook));
    // Still installed after the failed removal.
    WinsubQueueKey('K', FALSE, FALSE);
    DrainQueue();
    EXPECT_EQ(HookOrder(), "A");
    EXPECT_TRUE(UnhookWindowsHookEx(hook));
    EXPECT_EQ(SetWindowsHookExA(WH_KEYBOARD, nullptr, nullptr, GetCurrentThreadId()), nullptr);
    EXPECT_EQ(SetWindowsHookExA(99, HookA, nullptr, GetCurrentThreadId()), nullptr);
    EXPECT_FALSE(GetKeyboardState(nullptr));
  });
}

}  // namespace
