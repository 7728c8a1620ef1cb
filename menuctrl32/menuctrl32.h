// Window lookup by class and menu-path resolution in the IDE's user interface.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

inline constexpr int MenuTextSize = 256;  // 255 characters and a NUL

extern HWND FoundWindow;

HWND FindThreadWindowByClass(DWORD ThreadId, const char* ClassName);
BOOL CALLBACK ClassMatchEnumProc(HWND Window, LPARAM ClassName);
void NextMenuPathToken(char* Destination, const char* Path, uint16_t& Position,
                       uint16_t MaxLength);
void CleanMenuCaption(char* Caption);
uint32_t FindMenuItemByPath(HWND Window, const char* Path, HMENU& Menu);

}  // namespace kvx
