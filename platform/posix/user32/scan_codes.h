// Scan codes of a 101/102-key keyboard (set 1) for the virtual keys the
// substitute's keyboard input knows; 0 for the others.
#pragma once

#include "platform/posix/include/win32_subset.h"

namespace winsub::user32 {

UINT ScanCode(UINT virtualKey);

}  // namespace winsub::user32
