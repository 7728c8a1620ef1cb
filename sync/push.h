// Push: the IDE's changed buffers go to Corvane through their shadow files.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace kvx {

void PushToEditor(HCONV Conversation);
void PushModule(HCONV Conversation, uint16_t Index);

}  // namespace kvx
