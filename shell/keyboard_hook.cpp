#include "shell/keyboard_hook.h"

#include "editorlink/kvxdde.h"
#include "shell/globals.h"

namespace kvx {

namespace {

constexpr LPARAM KeyExtendedBit = LPARAM{1} << 24;
constexpr LPARAM KeyWasDownBit = LPARAM{1} << 30;
constexpr LPARAM KeyReleasedBit = static_cast<LPARAM>(0x80000000u);
constexpr BYTE KeyDownBit = 0x80;

// Keys that never form a hotkey on their own.
bool IsNeverExamined(WPARAM Key) {
  return Key == VK_CANCEL || Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_CAPITAL ||
         Key == VK_MENU;
}

// Navigation keys count as extended also from the numeric keypad.
bool IsNavigationKey(WPARAM Key) {
  return (Key >= VK_PRIOR && Key <= VK_DOWN) || Key == VK_INSERT || Key == VK_DELETE;
}

}  // namespace

KeyChord EncodeKeyChord(WPARAM Key, LPARAM KeyData) {
  KeyChord chord{0, 0};
  BYTE state[256] = {};
  GetKeyboardState(state);

  chord.Key = static_cast<uint8_t>(Key & 0xFFu);
  if ((state[VK_SHIFT] & KeyDownBit) != 0) chord.Flags |= ChordShift;
  if ((state[VK_CONTROL] & KeyDownBit) != 0) chord.Flags |= ChordCtrl;
  if ((state[VK_MENU] & KeyDownBit) != 0) chord.Flags |= ChordAlt;
  if ((KeyData & KeyExtendedBit) != 0 || IsNavigationKey(Key)) chord.Flags |= ChordExtended;
  chord.Flags |= ChordAlways;
  return chord;
}

LRESULT CALLBACK KeyboardHookProc(int Code, WPARAM Key, LPARAM KeyData) {
  const bool passOn = OpenConversations != 0 || ShuttingDown || Code < 0 ||
                      (KeyData & (KeyWasDownBit | KeyReleasedBit)) != 0 ||
                      (HotKeyChar == 0 && HotKeyFlags == 0) || IsNeverExamined(Key);
  if (!passOn) {
    const KeyChord chord = EncodeKeyChord(Key, KeyData);
    if (chord.Key == HotKeyChar && chord.Flags == HotKeyFlags) {
      PostMessageA(ParentWindow, ActivateKvxMsg, 0, 0);
      return 1;  // the key-down is swallowed; its key-up is passed on
    }
  }
  return CallNextHookEx(KeyboardHook, Code, Key, KeyData);
}

}  // namespace kvx
