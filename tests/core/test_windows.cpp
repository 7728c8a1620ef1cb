#include "tests/core/test_windows.h"

#include <set>

namespace coretest {

HWND MakeWindow(const std::string& className, WNDPROC procedure) {
  static std::set<std::string> registered;
  if (registered.insert(className).second) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className.c_str();
    RegisterClassA(&windowClass);
  }
  return CreateWindowExA(0, className.c_str(), "test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                         nullptr, nullptr, nullptr, nullptr);
}

int TakePosted(HWND window, UINT message) {
  int count = 0;
  MSG msg{};
  while (PeekMessageA(&msg, window, message, message, PM_REMOVE)) ++count;
  return count;
}

void PumpMessages() {
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace coretest
