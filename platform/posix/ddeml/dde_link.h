// The byte stream under a conversation: watching its socket from the owning
// thread's wait, sending frames, taking received frames apart, and ending it.
#pragma once

#include "platform/posix/ddeml/dde_frame.h"
#include "platform/posix/ddeml/dde_state.h"

namespace winsub::dde {

// Registers the socket with the calling thread's wait set: readable always
// (unless a callback for one of its frames is running), writable while output
// is pending.
void UpdateWatch(Conversation& conversation);

// Queues a whole frame and sends what the socket takes now; false when the
// link broke (the caller ends the conversation).
bool SendFrame(Conversation& conversation, const Bytes& frame);
// The same, taking the frame's storage when nothing else waits to be sent.
bool SendFrame(Conversation& conversation, Bytes&& frame);

// Closes the socket and forgets the conversation. A transaction waiting on it
// fails; with notifyOwner, the owner's callback gets XTYP_DISCONNECT (the
// partner left or broke the protocol).
void EndConversation(DWORD handle, bool notifyOwner);

// Frame handlers of each side: false means the frame breaks the protocol. They
// may run callbacks, after which the conversation may be gone.
bool HandleServerFrame(DWORD handle, Frame& frame);
bool HandleClientFrame(DWORD handle, Frame& frame);

}  // namespace winsub::dde
