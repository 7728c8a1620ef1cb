#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/posix/include/winsub_control.h"
#include "shell/keyboard_hook.h"

namespace {

struct ChordCase {
  const char* name;
  std::initializer_list<UINT> held;
  WPARAM key;
  LPARAM keyData;
  uint8_t expectKey;
  uint8_t expectFlags;
};

TEST(EncodeKeyChord, Examples) {
  const ChordCase cases[] = {
      {"Ctrl+Shift+K", {VK_CONTROL, VK_SHIFT}, 0x4B, 0x00250001, 0x4B, 0x07},
      {"Alt+F12", {VK_MENU}, VK_F12, 0x20580001, 0x7B, 0x09},
      {"Ctrl+Up, arrow block", {VK_CONTROL}, VK_UP, 0x01480001, 0x26, 0x85},
      {"Ctrl+Up, keypad", {VK_CONTROL}, VK_UP, 0x00480001, 0x26, 0x85},
      {"keypad Enter", {}, VK_RETURN, 0x011C0001, 0x0D, 0x81},
      {"main Enter", {}, VK_RETURN, 0x001C0001, 0x0D, 0x01},
      {"Page Up", {}, VK_PRIOR, 0x00490001, 0x21, 0x81},
      {"Down", {}, VK_DOWN, 0x00500001, 0x28, 0x81},
      {"Insert", {}, VK_INSERT, 0x00520001, 0x2D, 0x81},
      {"Delete", {}, VK_DELETE, 0x00530001, 0x2E, 0x81},
      {"Space, not navigation", {}, VK_SPACE, 0x00390001, 0x20, 0x01},
      {"Help key 0x2F, not navigation", {}, 0x2F, 0x00000001, 0x2F, 0x01},
      {"Shift+Ctrl+Alt+A", {VK_SHIFT, VK_CONTROL, VK_MENU}, 'A', 0x201E0001, 0x41, 0x0F},
      {"key code above 8 bits", {}, 0x1234, 0x00000001, 0x34, 0x01},
  };
  for (const ChordCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (UINT k : {VK_SHIFT, VK_CONTROL, VK_MENU}) WinsubSetKeyDown(k, FALSE);
    for (UINT k : c.held) WinsubSetKeyDown(k, TRUE);
    const kvx::KeyChord chord = kvx::EncodeKeyChord(c.key, c.keyData);
    EXPECT_EQ(chord.Key, c.expectKey);
    EXPECT_EQ(chord.Flags, c.expectFlags);
  }
}

}  // namespace
