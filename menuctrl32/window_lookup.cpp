#include "menuctrl32/ascii_text.h"
#include "menuctrl32/menuctrl32.h"

namespace kvx {

HWND FoundWindow = nullptr;

HWND FindThreadWindowByClass(DWORD ThreadId, const char* ClassName) {
  FoundWindow = nullptr;
  EnumThreadWindows(ThreadId, &ClassMatchEnumProc, reinterpret_cast<LPARAM>(ClassName));
  return FoundWindow;
}

BOOL CALLBACK ClassMatchEnumProc(HWND Window, LPARAM ClassName) {
  char className[MenuTextSize] = {};
  // At most 255 characters; terminated here by the count, whatever the call
  // did with the last byte.
  int length = GetClassNameA(Window, className, MenuTextSize);
  if (length < 0) length = 0;
  if (length > MenuTextSize - 1) length = MenuTextSize - 1;
  className[length] = '\0';
  if (SameTextAscii(className, reinterpret_cast<const char*>(ClassName))) {
    FoundWindow = Window;
    return FALSE;  // the first match in enumeration order wins
  }
  return TRUE;
}

}  // namespace kvx
