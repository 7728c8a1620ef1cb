// Pull: Corvane's edits, reloads and cursor come back into the IDE.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

// The pull sweep, run when the IDE application becomes active again.
void PullFromEditor();

// Pulls entry Index of TrackedModules; Conversation may be none.
void PullModule(uint16_t Index, HCONV Conversation);

}  // namespace kvx
