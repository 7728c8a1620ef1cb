#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/expert.h"
#include "shell/globals.h"
#include "shell/keyboard_hook.h"
#include "shell/main_window_hook.h"
#include "tests/core/test_windows.h"

namespace {

constexpr LPARAM PressK = 0x00250001;
constexpr LPARAM RepeatK = 0x40250001;
constexpr LPARAM ReleaseK = static_cast<LPARAM>(0xC0250001u);

class KeyboardHookRules : public testing::Test {
 protected:
  void SetUp() override {
    kvx::ParentWindow = coretest::MakeWindow("HookTarget");
    kvx::ActivateKvxMsg = RegisterWindowMessageA(kvx::ActivateKvxMsgName);
    kvx::HotKeyChar = 0x4B;  // Ctrl+Shift+K
    kvx::HotKeyFlags = 0x07;
    HoldOnly({VK_CONTROL, VK_SHIFT});
  }

  static void HoldOnly(std::initializer_list<UINT> keys) {
    for (UINT k : {VK_SHIFT, VK_CONTROL, VK_MENU}) WinsubSetKeyDown(k, FALSE);
    for (UINT k : keys) WinsubSetKeyDown(k, TRUE);
  }

  // True when the hook swallowed the keystroke; checks that a swallowed key
  // posted exactly one activation and a passed one none.
  static bool Swallowed(int code, WPARAM key, LPARAM keyData) {
    const LRESULT result = kvx::KeyboardHookProc(code, key, keyData);
    const int posted = coretest::TakePosted(kvx::ParentWindow, kvx::ActivateKvxMsg);
    EXPECT_EQ(posted, result == 1 ? 1 : 0);
    return result == 1;
  }
};

TEST_F(KeyboardHookRules, TheHotkeyPressIsSwallowedAndPostsOnce) {
  EXPECT_TRUE(Swallowed(HC_ACTION, 'K', PressK));
  // Every non-negative code is treated alike.
  EXPECT_TRUE(Swallowed(HC_NOREMOVE, 'K', PressK));
}

TEST_F(KeyboardHookRules, RepeatsAndReleaseArePassedOn) {
  EXPECT_TRUE(Swallowed(HC_ACTION, 'K', PressK));
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', RepeatK));
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', RepeatK));
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', ReleaseK));
  // Released bit alone (no previous-state bit) is enough.
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', static_cast<LPARAM>(0x80250001u)));
}

TEST_F(KeyboardHookRules, OtherShiftStatesAndKeysArePassedOn) {
  struct Case {
    const char* name;
    std::initializer_list<UINT> held;
    WPARAM key;
  };
  const Case cases[] = {
      {"K alone", {}, 'K'},
      {"Ctrl+K", {VK_CONTROL}, 'K'},
      {"Ctrl+Shift+Alt+K", {VK_CONTROL, VK_SHIFT, VK_MENU}, 'K'},
      {"Ctrl+Shift+L", {VK_CONTROL, VK_SHIFT}, 'L'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HoldOnly(c.held);
    EXPECT_FALSE(Swallowed(HC_ACTION, c.key, PressK));
  }
}

TEST_F(KeyboardHookRules, NegativeCodesArePassedOn) {
  EXPECT_FALSE(Swallowed(-1, 'K', PressK));
}

TEST_F(KeyboardHookRules, NoHotkeyPassesEveryKey) {
  kvx::HotKeyChar = 0;
  kvx::HotKeyFlags = 0;
  HoldOnly({});
  for (WPARAM key : {WPARAM{0}, WPARAM{'K'}, WPARAM{VK_F12}}) {
    EXPECT_FALSE(Swallowed(HC_ACTION, key, 0x00000001));
  }
}

TEST_F(KeyboardHookRules, NeverExaminedKeysArePassedOnWhateverTheConfiguration) {
  for (WPARAM key : {WPARAM{VK_CANCEL}, WPARAM{VK_SHIFT}, WPARAM{VK_CONTROL}, WPARAM{VK_MENU},
                     WPARAM{VK_CAPITAL}}) {
    SCOPED_TRACE(key);
    // A configuration that the key's own chord would match.
    HoldOnly({});
    kvx::HotKeyChar = static_cast<uint8_t>(key);
    kvx::HotKeyFlags = 0x01;
    EXPECT_FALSE(Swallowed(HC_ACTION, key, 0x00000001));
  }
  // A key next to them is examined.
  kvx::HotKeyChar = 0x13;
  kvx::HotKeyFlags = 0x01;
  EXPECT_TRUE(Swallowed(HC_ACTION, 0x13, 0x00450001));
}

TEST_F(KeyboardHookRules, FlagsWithoutTheAlwaysBitNeverMatch) {
  kvx::HotKeyFlags = 0x06;
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', PressK));
  kvx::HotKeyFlags = 0x00;
  HoldOnly({});
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', PressK));
}

TEST_F(KeyboardHookRules, AnOpenConversationPassesTheHotkeyOn) {
  kvx::OpenConversations = 1;
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', PressK));
  kvx::OpenConversations = 0;
  EXPECT_TRUE(Swallowed(HC_ACTION, 'K', PressK));
}

TEST_F(KeyboardHookRules, AfterExpertDoneEveryKeyIsPassedOn) {
  kvx::ExpertDone();
  EXPECT_FALSE(Swallowed(HC_ACTION, 'K', PressK));
}

TEST_F(KeyboardHookRules, LinkStateIsNotLookedAt) {
  kvx::LinkEnabled = false;
  EXPECT_TRUE(Swallowed(HC_ACTION, 'K', PressK));
}

// ---------------------------------------------------------------- the chain

std::vector<WPARAM>& KeyDownsBelow() {
  static std::vector<WPARAM> keys;
  return keys;
}

// A hook installed before the expert's, so called after it: notes the
// key-downs it is handed and swallows 'L' itself.
LRESULT CALLBACK HookBelow(int code, WPARAM key, LPARAM keyData) {
  if (code >= 0 && (keyData & static_cast<LPARAM>(0x80000000u)) == 0) KeyDownsBelow().push_back(key);
  if (key == 'L') return 1;
  return CallNextHookEx(nullptr, code, key, keyData);
}

TEST_F(KeyboardHookRules, PassedOnKeysGoDownTheChainAndItsAnswerCounts) {
  const HHOOK below = SetWindowsHookExA(WH_KEYBOARD, &HookBelow, nullptr, GetCurrentThreadId());
  kvx::KeyboardHook =
      SetWindowsHookExA(WH_KEYBOARD, &kvx::KeyboardHookProc, nullptr, GetCurrentThreadId());
  ASSERT_NE(below, nullptr);
  ASSERT_NE(kvx::KeyboardHook, nullptr);
  WinsubSetFocus(kvx::ParentWindow);
  for (UINT key : {UINT{'K'}, UINT{'L'}, UINT{'M'}}) {
    WinsubQueueKey(key, FALSE, FALSE);
    WinsubQueueKey(key, TRUE, FALSE);
  }

  std::vector<WPARAM> keyDowns;
  int activations = 0;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_KEYDOWN) keyDowns.push_back(msg.wParam);
    if (msg.message == kvx::ActivateKvxMsg) ++activations;
  }
  EXPECT_EQ(activations, 1);
  // The hotkey's key-down stops at the expert; other keys reach the next hook,
  // and what that hook answers decides whether the window sees them.
  EXPECT_EQ(KeyDownsBelow(), (std::vector<WPARAM>{'L', 'M'}));
  EXPECT_EQ(keyDowns, (std::vector<WPARAM>{'M'}));

  UnhookWindowsHookEx(kvx::KeyboardHook);
  UnhookWindowsHookEx(below);
}

}  // namespace
