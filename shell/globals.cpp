#include "shell/globals.h"

namespace kvx {

TIToolServices* ToolServices = nullptr;

bool LinkEnabled = false;
uint8_t HotKeyChar = 0;
uint8_t HotKeyFlags = 0;
bool SafetySave = false;
bool TrackProjects = false;
std::string LaunchCommand;
std::string ShadowDirectory;

HWND ParentWindow = nullptr;
HWND AppBuilderWindow = nullptr;
WNDPROC SavedWindowProc = nullptr;
HHOOK KeyboardHook = nullptr;
UINT ActivateMsg = 0;
UINT NeedActivateMsg = 0;
UINT ActivateKvxMsg = 0;

bool ShuttingDown = false;
bool Activating = false;
bool Pushing = false;
bool Pulling = false;
bool PushDone = false;

uint16_t TrackedCount = 0;
KvxModuleNotifier* TrackedModules[MaxTrackedModules + 1] = {};

std::string CurrentFile;
std::string SessionProject;
std::string EditorActiveFile;

uint32_t ProgramResetId = 0;

}  // namespace kvx
