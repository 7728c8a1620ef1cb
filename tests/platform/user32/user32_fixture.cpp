#include "tests/platform/user32/user32_fixture.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace user32test {

namespace {
std::mutex receivedMutex;
std::vector<Received> received;
std::atomic<int> classCounter{0};
}  // namespace

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(receivedMutex);
    received.push_back(Received{window, message, wParam, lParam, GetCurrentThreadId()});
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string RegisterFreshClass(WNDPROC proc) {
  const std::string name = "User32TestClass" + std::to_string(classCounter.fetch_add(1));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = proc;
  windowClass.lpszClassName = name.c_str();
  RegisterClassA(&windowClass);
  return name;
}

HWND MakeWindow(WNDPROC proc, HWND parentOrOwner, DWORD style) {
  const std::string name = RegisterFreshClass(proc);
  return CreateWindowExA(0, name.c_str(), "test", style, 0, 0, 10, 10, parentOrOwner, nullptr,
                         nullptr, nullptr);
}

std::vector<Received> ReceivedMessages() {
  std::lock_guard lock(receivedMutex);
  return received;
}

std::vector<Received> ReceivedInRange(UINT first, UINT last) {
  std::vector<Received> out;
  for (const auto& each : ReceivedMessages())
    if (each.message >= first && each.message <= last) out.push_back(each);
  return out;
}

void ClearReceived() {
  std::lock_guard lock(receivedMutex);
  received.clear();
}

std::vector<MSG> DrainQueue() {
  std::vector<MSG> out;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    out.push_back(msg);
    if (msg.message == WM_QUIT) break;
    DispatchMessageA(&msg);
  }
  return out;
}

void OnFreshThread(const std::function<void()>& body) {
  std::thread runner(body);
  runner.join();
}

}  // namespace user32test
