// The main unit's state: settings, window and hook handles, message ids, the
// re-entrance guards and the shared strings. Module-level, touched only on the
// IDE's user-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "contracts/toolintf.h"
#include "platform/winapi.h"

namespace kvx {

class KvxModuleNotifier;

inline constexpr int MaxTrackedModules = 500;

extern TIToolServices* ToolServices;

// Settings.
extern bool LinkEnabled;
extern uint8_t HotKeyChar;
extern uint8_t HotKeyFlags;
extern bool SafetySave;
extern bool TrackProjects;
extern std::string LaunchCommand;
extern std::string ShadowDirectory;

// Windows, hook and messages.
extern HWND ParentWindow;
extern HWND AppBuilderWindow;
extern WNDPROC SavedWindowProc;
extern HHOOK KeyboardHook;
extern UINT ActivateMsg;
extern UINT NeedActivateMsg;
extern UINT ActivateKvxMsg;

// Guards.
extern bool ShuttingDown;
extern bool Activating;
extern bool Pushing;
extern bool Pulling;
extern bool PushDone;

// Tracked modules: entries 1..TrackedCount of a 1-based table; slot 0 unused.
extern uint16_t TrackedCount;
extern KvxModuleNotifier* TrackedModules[MaxTrackedModules + 1];

// Shared strings.
extern std::string CurrentFile;
extern std::string SessionProject;
extern std::string EditorActiveFile;

// Menu command id of Run|Program reset, 0 until first resolved.
extern uint32_t ProgramResetId;

}  // namespace kvx
