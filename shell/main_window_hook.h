// The procedure put in front of the IDE window's own: application switches
// push and pull; the three registered messages reach their commands.
#pragma once

#include "platform/winapi.h"

namespace kvx {

inline constexpr char ActivateMsgName[] = "KVX_Delphi_Activate";
inline constexpr char NeedActivateMsgName[] = "KVX_Delphi_NeedActivate";
inline constexpr char ActivateKvxMsgName[] = "KVX_Delphi_ActivateKvx";
inline constexpr char AppBuilderClassName[] = "TAppBuilder";

LRESULT CALLBACK MainWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

}  // namespace kvx
