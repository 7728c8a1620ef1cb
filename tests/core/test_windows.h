// Small helpers for the core's tests: top-level windows of the test thread and
// a look at what was posted to them.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace coretest {

// A visible top-level window of the calling thread, of a class registered on
// first use with the given procedure.
HWND MakeWindow(const std::string& className, WNDPROC procedure = &DefWindowProcA);

// Removes every posted message with this id for the window from the queue
// and says how many there were. Nothing is dispatched.
int TakePosted(HWND window, UINT message);

// Dispatches whatever the thread's queue holds now.
void PumpMessages();

}  // namespace coretest
