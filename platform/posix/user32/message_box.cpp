// MessageBoxA as a modal loop on the calling thread: the thread's messages
// keep being dispatched while the box is up, and an installed responder
// plays the user. MessageBeep only counts.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/posix/include/winsub_control.h"
#include "platform/posix/internal/thread_wait.h"

namespace {

struct Responder {
  WinsubMessageBoxResponder function = nullptr;
  void* context = nullptr;
};

std::mutex responderMutex;
Responder responder;
std::atomic<unsigned> beeps{0};

Responder CurrentResponder() {
  std::lock_guard lock(responderMutex);
  return responder;
}

constexpr int IdAbort = 3;
constexpr int IdRetry = 4;
constexpr int IdIgnore = 5;
constexpr int IdTryAgain = 10;
constexpr int IdContinue = 11;

int DefaultAnswer(UINT type) {
  struct Buttons {
    int count;
    int ids[3];
  };
  static const Buttons byType[] = {
      {1, {IDOK, 0, 0}},                     // MB_OK
      {2, {IDOK, IDCANCEL, 0}},              // MB_OKCANCEL
      {3, {IdAbort, IdRetry, IdIgnore}},     // MB_ABORTRETRYIGNORE
      {3, {IDYES, IDNO, IDCANCEL}},          // MB_YESNOCANCEL
      {2, {IDYES, IDNO, 0}},                 // MB_YESNO
      {2, {IdRetry, IDCANCEL, 0}},           // MB_RETRYCANCEL
      {3, {IDCANCEL, IdTryAgain, IdContinue}},  // MB_CANCELTRYCONTINUE
  };
  const UINT kind = type & 0x0F;
  const Buttons& buttons = kind < 7 ? byType[kind] : byType[0];
  const UINT wanted = (type & 0x0F00) >> 8;  // MB_DEFBUTTON1..3
  return buttons.ids[wanted < static_cast<UINT>(buttons.count) ? wanted : 0];
}

}  // namespace

WINSUB_API void WinsubSetMessageBoxResponder(WinsubMessageBoxResponder function, void* context) {
  std::lock_guard lock(responderMutex);
  responder = Responder{function, context};
}

WINSUB_API int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* shownText = text != nullptr ? text : "";
  const char* shownCaption = caption != nullptr ? caption : "Error";
  auto ask = [&]() -> int {
    const Responder current = CurrentResponder();
    if (current.function == nullptr) {
      std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
      return DefaultAnswer(type);
    }
    return current.function(current.context, owner, shownText, shownCaption, type);
  };
  // What is pending when the box comes up runs first. A WM_QUIT means the
  // application is ending: the box closes unanswered and the quit stays
  // for the application's own loop.
  if (winsub::PumpPendingMessages()) return 0;
  for (;;) {
    if (const int answer = ask()) return answer;
    winsub::WaitForThreadActivity(10);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return 0;
      }
      DispatchMessageA(&msg);
      if (const int answer = ask()) return answer;
    }
  }
}

WINSUB_API BOOL WINAPI MessageBeep(UINT type) {
  (void)type;
  beeps.fetch_add(1);
  return TRUE;
}

WINSUB_API unsigned WinsubBeepCount(void) { return beeps.load(); }
