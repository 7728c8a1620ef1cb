// Push: the IDE's changed buffers go to Corvane through their shadow files.
#pragma once

#include <cstdint>
#include <string>

#include "contracts/toolintf.h"
#include "platform/winapi.h"

namespace kvx {

// The push sweep. With a conversation it uses it and leaves it open; with none
// it opens its own (only when no other conversation is open) and closes it.
void PushToEditor(HCONV Conversation);

// Pushes entry Index of TrackedModules over a live conversation.
void PushModule(HCONV Conversation, uint16_t Index);

// The cursor and top-line parts of the reload command ("/L=12/C=5/T=3"), each
// part cut to its first 10 characters.
std::string PositionParts(TEditPos Cursor, TEditPos Top);

}  // namespace kvx
