// Windows whose procedure records every message it receives, for the user32
// tests; the record is shared by all threads of the test.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/posix/include/winsub_control.h"

namespace user32test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD threadId;
};

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A top-level window (or child with WS_CHILD) of a fresh class using `proc`.
HWND MakeWindow(WNDPROC proc = RecordingProc, HWND parentOrOwner = nullptr, DWORD style = 0);
// A fresh class name each call.
std::string RegisterFreshClass(WNDPROC proc);

std::vector<Received> ReceivedMessages();
// Messages received with ids in [first, last], in order.
std::vector<Received> ReceivedInRange(UINT first, UINT last);
void ClearReceived();

// Dispatches everything retrievable now; returns the messages retrieved.
std::vector<MSG> DrainQueue();

// Runs `body` on a new thread: fresh queue, keyboard state and window list.
void OnFreshThread(const std::function<void()>& body);

}  // namespace user32test
