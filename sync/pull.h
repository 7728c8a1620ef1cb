// Pull: Corvane's edits, reloads and cursor come back into the IDE.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

void PullFromEditor();
void PullModule(uint16_t Index, HCONV Conversation);

}  // namespace kvx
