#include "sync/activation.h"

#include <cstdint>

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"
#include "menuctrl32/debugger_idle.h"
#include "platform/winapi.h"
#include "shell/globals.h"
#include "sync/push.h"
#include "sync/shadow_files.h"

namespace kvx {

namespace {

constexpr UINT LaunchedAtLeast = 33;  // WinExec results up to 32 are errors

// Tries to reach the freshly started Corvane until it answers or the wait is
// over; the first try comes at once.
HCONV WaitForEditor() {
  const DWORD start = GetTickCount();
  for (;;) {
    HCONV conversation = OpenEditorConversation();
    if (conversation != nullptr) return conversation;
    if (static_cast<int32_t>(GetTickCount() - start) > static_cast<int32_t>(LaunchWaitMs)) {
      return nullptr;
    }
  }
}

}  // namespace

std::string EditorLaunchLine() {
  std::string line = LaunchCommand;
  if (TrackProjects) {
    line += std::string(" \"") + SessionArgument + MakeSessionName(ToolServices->GetProjectName()) +
            "\"";
  }
  return line;
}

void ActivateEditor() {
  if (OpenConversations != 0 || ShuttingDown) return;
  if (!IsDebuggerIdle()) {
    MessageBeep(0);
    return;
  }
  if (HCONV conversation = OpenEditorConversation(); conversation != nullptr) {
    RunEditorMacro(conversation, CmdActivate);
    PushToEditor(conversation);
    RunEditorMacro(conversation, CmdActivate);
    CloseEditorConversation(conversation);
    return;
  }
  if (WinExec(EditorLaunchLine().c_str(), SW_SHOWDEFAULT) < LaunchedAtLeast) return;
  if (HCONV conversation = WaitForEditor(); conversation != nullptr) {
    PushToEditor(conversation);
    CloseEditorConversation(conversation);
  }
}

void ShowEditorActiveFile() {
  TIModuleInterface* module = ToolServices->GetModuleInterface(EditorActiveFile);
  if (module == nullptr) return;
  module->ShowSource();
  ReleaseObject(module);
}

}  // namespace kvx
