#include "menuctrl32/ascii_text.h"
#include "menuctrl32/menuctrl32.h"

namespace kvx {

namespace {

constexpr uint16_t MaxTokenLength = MenuTextSize - 1;

// The caption of the item at Position, cleaned for comparison.
void ReadCleanCaption(HMENU Menu, int Position, char (&Caption)[MenuTextSize]) {
  int length = GetMenuStringA(Menu, static_cast<UINT>(Position), Caption, MenuTextSize,
                              MF_BYPOSITION);
  // Some implementations fill the whole buffer without a NUL on truncation:
  // terminate by the count, never past 255 characters.
  if (length < 0) length = 0;
  if (length > MenuTextSize - 1) length = MenuTextSize - 1;
  Caption[length] = '\0';
  CleanMenuCaption(Caption);
}

// Position of the first item of Menu whose cleaned caption equals Token, or -1.
int FindItemByCaption(HMENU Menu, const char* Token) {
  const int count = GetMenuItemCount(Menu);  // -1 for a missing menu: no items
  for (int position = 0; position < count; ++position) {
    char caption[MenuTextSize] = {};
    ReadCleanCaption(Menu, position, caption);
    if (SameTextAscii(caption, Token)) return position;
  }
  return -1;
}

}  // namespace

void NextMenuPathToken(char* Destination, const char* Path, uint16_t& Position,
                       uint16_t MaxLength) {
  uint16_t length = 0;
  while (Path[Position] != '\0' && length < MaxLength) {
    if (Path[Position] == '|') {
      ++Position;
      break;
    }
    Destination[length++] = Path[Position++];
  }
  Destination[length] = '\0';
}

void CleanMenuCaption(char* Caption) {
  char* at = Caption;
  while (*at != '\0') {
    if (*at == '&') {
      // Shift the rest left, terminator included, and look at this place again.
      for (char* move = at; *move != '\0'; ++move) move[0] = move[1];
    } else if (*at == '\t' || (at[0] == ' ' && at[1] == ' ')) {
      *at = '\0';
    } else {
      ++at;
    }
  }
}

uint32_t FindMenuItemByPath(HWND Window, const char* Path, HMENU& Menu) {
  if (Window == nullptr) return 0;

  const HMENU bar = GetMenu(Window);
  uint16_t position = 0;
  char token[MenuTextSize] = {};
  NextMenuPathToken(token, Path, position, MaxTokenLength);

  const int barItem = FindItemByCaption(bar, token);
  if (barItem < 0) return 0;

  NextMenuPathToken(token, Path, position, MaxTokenLength);
  if (token[0] == '\0') {
    Menu = bar;
    return GetMenuItemID(bar, barItem);
  }

  // Only the first bar item with a matching caption is searched.
  const HMENU sub = GetSubMenu(bar, barItem);
  const int subItem = FindItemByCaption(sub, token);
  if (subItem < 0) return 0;
  Menu = sub;
  return GetMenuItemID(sub, subItem);
}

}  // namespace kvx
