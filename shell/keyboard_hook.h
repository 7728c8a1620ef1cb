// The hotkey: a thread keyboard hook that turns the configured key chord into
// a posted "KVX_Delphi_ActivateKvx".
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

// Flags byte of a chord.
inline constexpr uint8_t ChordAlways = 0x01;
inline constexpr uint8_t ChordShift = 0x02;
inline constexpr uint8_t ChordCtrl = 0x04;
inline constexpr uint8_t ChordAlt = 0x08;
inline constexpr uint8_t ChordExtended = 0x80;

struct KeyChord {
  uint8_t Key;
  uint8_t Flags;
};

KeyChord EncodeKeyChord(WPARAM Key, LPARAM KeyData);

LRESULT CALLBACK KeyboardHookProc(int Code, WPARAM Key, LPARAM KeyData);

}  // namespace kvx
