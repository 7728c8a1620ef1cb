// Key chords as a user writes them ("ctrl+shift+k", "alt+f12", "ctrl+up",
// "kpenter") and the keystrokes that type them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/include/win32_subset.h"

namespace simide {

struct KeyStroke {
  UINT virtualKey = 0;
  bool extended = false;
};

struct KeyChordSpec {
  std::vector<KeyStroke> modifiers;  // held, in order, around the key
  KeyStroke key;
};

// Names are case-insensitive and joined by '+'; every part but the last is a
// modifier (shift, ctrl, alt, rctrl, ralt). The key is a letter or digit, a
// named key (f1..f24, enter, kpenter, esc, space, tab, backspace, pause,
// capslock, break, up, down, left, right, home, end, pgup, pgdn, insert,
// delete), a keypad navigation key without the extended flag (kpup, kphome,
// ...), a modifier name, or a code such as 0x4B.
std::optional<KeyChordSpec> ParseKeyChord(const std::string& text);

}  // namespace simide
