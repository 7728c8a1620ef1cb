#include "shell/main_window_hook.h"

#include "shell/globals.h"
#include "sync/activation.h"
#include "sync/pull.h"
#include "sync/push.h"

namespace kvx {

namespace {

// The low four bits of a system command are the system's own; the command
// is in the rest.
constexpr WPARAM SystemCommandMask = 0xFFF0;

void HandleActivateApp(HWND Window, WPARAM Active) {
  if (!LinkEnabled) return;
  if (Active == 0) {
    PushToEditor(nullptr);
    return;
  }
  if (Activating) return;  // the previous activation has not finished yet
  Activating = true;
  PullFromEditor();
  // The editor's active file is shown later, from the message loop, once the
  // activation has been handled completely. Without that message nothing
  // would ever end this activation, so a failed post ends it here.
  if (!PostMessageA(Window, NeedActivateMsg, 0, 0)) Activating = false;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (ShuttingDown) return 0;

  if (Message == ActivateMsg) return 0;
  if (Message == NeedActivateMsg) {
    Activating = true;  // a nested activation must not pull meanwhile
    ShowEditorActiveFile();
    Activating = false;
    return 0;
  }
  if (Message == ActivateKvxMsg) {
    ActivateEditor();
    return 0;
  }

  switch (Message) {
    case WM_DESTROY:
      LinkEnabled = false;
      break;
    case WM_ACTIVATEAPP:
      HandleActivateApp(Window, WParam);
      break;
    case WM_SYSCOMMAND:
      if ((WParam & SystemCommandMask) == SC_CLOSE) LinkEnabled = false;
      break;
    default:
      break;
  }
  return CallWindowProcA(SavedWindowProc, Window, Message, WParam, LParam);
}

}  // namespace kvx
