#include "menuctrl32/debugger_idle.h"

#include "menuctrl32/menuctrl32.h"
#include "shell/globals.h"
#include "shell/variant.h"

namespace kvx {

bool IsDebuggerIdle() {
  HMENU menu = GetMenu(AppBuilderWindow);
  if (ProgramResetId == 0) {
    ProgramResetId = FindMenuItemByPath(AppBuilderWindow, ProgramResetPath, menu);
    if (ProgramResetId == 0) ProgramResetId = ProgramResetFallbackId;
  }
  // By command: found in the bar and every submenu; all bits set when absent.
  const UINT state = GetMenuState(menu, ProgramResetId, MF_BYCOMMAND);
  return (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

}  // namespace kvx
