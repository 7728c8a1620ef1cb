// Application activation as the system reports it: WM_ACTIVATEAPP sent to
// every top-level window of the thread, in enumeration order.
#include <vector>

#include "platform/posix/include/winsub_control.h"
#include "platform/posix/user32/user32_state.h"

using namespace winsub::user32;

WINSUB_API void WinsubActivateApp(DWORD threadId, BOOL active, DWORD otherThreadId) {
  if (threadId == 0) return;
  std::vector<HWND> windows;
  {
    Lock lock(Mutex());
    windows = ThreadTopLevelWindowsLocked(threadId);
  }
  // Sent, not posted: from another thread each call waits until handled.
  for (HWND window : windows)
    SendMessageA(window, WM_ACTIVATEAPP, active ? TRUE : FALSE,
                 static_cast<LPARAM>(otherThreadId));
}
