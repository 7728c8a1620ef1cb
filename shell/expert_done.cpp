#include "editorlink/kvxdde.h"
#include "shell/expert.h"
#include "shell/globals.h"

namespace kvx {

namespace {

constexpr char HookNotFreedText[] = "Keyboard Hook not Freed";
constexpr char HookNotFreedCaption[] = "WARNING";

}  // namespace

void KVX_STDCALL ExpertDone() {
  // First, so that every handler reached during the teardown does nothing.
  ShuttingDown = true;

  DoneDdeLink();

  if (SavedWindowProc != nullptr && ParentWindow != nullptr) {
    SetWindowLongPtrA(ParentWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SavedWindowProc));
    SavedWindowProc = nullptr;
  }

  if (KeyboardHook != nullptr && !UnhookWindowsHookEx(KeyboardHook)) {
    MessageBoxA(nullptr, HookNotFreedText, HookNotFreedCaption, MB_OK | MB_ICONEXCLAMATION);
  }
}

}  // namespace kvx
