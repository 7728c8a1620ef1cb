#include "shell/entry_point.h"

#include "menuctrl32/menuctrl32.h"
#include "shell/expert.h"
#include "shell/globals.h"
#include "shell/keyboard_hook.h"
#include "shell/main_window_hook.h"
#include "shell/settings.h"
#include "sync/tracked_modules.h"

using namespace kvx;

KVX_EXPORT bool KVX_STDCALL KVX_ENTRY_POINT(TIToolServices* Services,
                                            TExpertRegisterProc RegisterProc,
                                            TExpertTerminateProc* Terminate) {
  if (ToolServices != nullptr) return false;  // set up once per load

  ToolServices = Services;
  *Terminate = &ExpertDone;
  LoadSettings();
  PushDone = false;
  TrackedCount = 0;

  ActivateMsg = RegisterWindowMessageA(ActivateMsgName);
  NeedActivateMsg = RegisterWindowMessageA(NeedActivateMsgName);
  ActivateKvxMsg = RegisterWindowMessageA(ActivateKvxMsgName);

  ParentWindow = ToolServices->GetParentHandle();
  AppBuilderWindow = FindThreadWindowByClass(GetCurrentThreadId(), AppBuilderClassName);

  if (LinkEnabled) {
    ToolServices->AddNotifier(new KvxAddInNotifier);

    // The host's parent window is the one subclassed; the AppBuilder window
    // only serves menu probes and as an owner of boxes.
    if (ParentWindow != nullptr) {
      SavedWindowProc =
          reinterpret_cast<WNDPROC>(GetWindowLongPtrA(ParentWindow, GWLP_WNDPROC));
      SetWindowLongPtrA(ParentWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindowProc));
    }

    // A thread hook: only the IDE's own keystrokes.
    KeyboardHook = SetWindowsHookExA(WH_KEYBOARD, &KeyboardHookProc, nullptr, GetCurrentThreadId());
  }

  RegisterProc(new TKVXExpert);
  return true;
}
