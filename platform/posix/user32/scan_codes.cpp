// Set-1 scan codes by virtual key (US layout).
#include "platform/posix/user32/scan_codes.h"

namespace winsub::user32 {

namespace {

struct ScanEntry {
  UINT key;
  UINT scan;
};

constexpr ScanEntry Letters[] = {
    {'A', 0x1E}, {'B', 0x30}, {'C', 0x2E}, {'D', 0x20}, {'E', 0x12}, {'F', 0x21}, {'G', 0x22},
    {'H', 0x23}, {'I', 0x17}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {'M', 0x32}, {'N', 0x31},
    {'O', 0x18}, {'P', 0x19}, {'Q', 0x10}, {'R', 0x13}, {'S', 0x1F}, {'T', 0x14}, {'U', 0x16},
    {'V', 0x2F}, {'W', 0x11}, {'X', 0x2D}, {'Y', 0x15}, {'Z', 0x2C},
};

constexpr ScanEntry Others[] = {
    {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E},   {VK_TAB, 0x0F},     {VK_RETURN, 0x1C},
    {VK_CONTROL, 0x1D}, {VK_LCONTROL, 0x1D}, {VK_RCONTROL, 0x1D}, {VK_SHIFT, 0x2A},
    {VK_LSHIFT, 0x2A}, {VK_RSHIFT, 0x36}, {VK_MENU, 0x38},    {VK_LMENU, 0x38},
    {VK_RMENU, 0x38},  {VK_SPACE, 0x39},  {VK_CAPITAL, 0x3A}, {VK_NUMLOCK, 0x45},
    {0x91, 0x46},  // Scroll Lock
    {VK_PAUSE, 0x45},  {VK_CANCEL, 0x46}, {0x2C, 0x37},  // Print Screen
    {VK_HOME, 0x47},   {VK_UP, 0x48},     {VK_PRIOR, 0x49},   {VK_LEFT, 0x4B},
    {VK_RIGHT, 0x4D},  {VK_END, 0x4F},    {VK_DOWN, 0x50},    {VK_NEXT, 0x51},
    {VK_INSERT, 0x52}, {VK_DELETE, 0x53}, {0x5B, 0x5B},  // left Windows key
    {0x5C, 0x5C},  // right Windows key
    {0x5D, 0x5D},  // application key
    {0x6A, 0x37},  // keypad *
    {0x6B, 0x4E},  // keypad +
    {0x6D, 0x4A},  // keypad -
    {0x6E, 0x53},  // keypad .
    {0x6F, 0x35},  // keypad /
    {0xBA, 0x27},  // ;
    {0xBB, 0x0D},  // =
    {0xBC, 0x33},  // ,
    {0xBD, 0x0C},  // -
    {0xBE, 0x34},  // .
    {0xBF, 0x35},  // /
    {0xC0, 0x29},  // `
    {0xDB, 0x1A},  // [
    {0xDC, 0x2B},  // backslash
    {0xDD, 0x1B},  // ]
    {0xDE, 0x28},  // '
    {0x60, 0x52},  // keypad 0
    {0x61, 0x4F},  {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D},
    {0x67, 0x47},  {0x68, 0x48}, {0x69, 0x49},
};

}  // namespace

UINT ScanCode(UINT virtualKey) {
  for (const auto& entry : Letters)
    if (entry.key == virtualKey) return entry.scan;
  // Digits of the main block: '1'..'9' are 0x02..0x0A, '0' is 0x0B.
  if (virtualKey >= '1' && virtualKey <= '9') return virtualKey - '1' + 0x02;
  if (virtualKey == '0') return 0x0B;
  // F1..F10 are 0x3B..0x44; F11 and F12 are 0x57 and 0x58.
  if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 10) return virtualKey - VK_F1 + 0x3B;
  if (virtualKey == VK_F1 + 10) return 0x57;
  if (virtualKey == VK_F12) return 0x58;
  for (const auto& entry : Others)
    if (entry.key == virtualKey) return entry.scan;
  return 0;
}

}  // namespace winsub::user32
