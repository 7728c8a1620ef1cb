// Readable names of the tools interface's notification codes, for logs.
#pragma once

#include "contracts/toolintf.h"

namespace simide {

const char* FileNotificationName(kvx::TFileNotification code);
const char* ModuleNotificationName(kvx::TNotifyCode code);

}  // namespace simide
