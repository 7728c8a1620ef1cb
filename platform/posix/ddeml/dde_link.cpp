#include "platform/posix/ddeml/dde_link.h"

#include <poll.h>
#include <unistd.h>

#include "platform/posix/ddeml/dde_atoms.h"
#include "platform/posix/ddeml/dde_socket.h"
#include "platform/posix/internal/thread_wait.h"

namespace winsub::dde {

namespace {

void* ContextOf(DWORD handle) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(handle)); }

// Takes whole frames out of the input and hands them to the side's handler.
// A server's socket is not watched while its callback runs, so nested message
// loops inside the callback cannot re-enter this conversation.
void ProcessInput(DWORD handle) {
  for (;;) {
    Conversation* conversation = OwnConversation(handle);
    if (conversation == nullptr) return;
    std::size_t frameSize = 0;
    const HeaderCheck check =
        CheckFrameHeader(conversation->input.data(), conversation->input.size(), frameSize);
    if (check == HeaderCheck::NeedMore) return;
    if (check == HeaderCheck::Invalid) {
      EndConversation(handle, true);
      return;
    }
    Frame frame = TakeFrame(conversation->input, frameSize);
    bool valid = true;
    if (conversation->role == Role::Server) {
      conversation->dispatching = true;
      UpdateWatch(*conversation);
      valid = HandleServerFrame(handle, frame);
      conversation = OwnConversation(handle);
      if (conversation == nullptr) return;
      conversation->dispatching = false;
      UpdateWatch(*conversation);
    } else {
      valid = HandleClientFrame(handle, frame);
    }
    if (!valid) {
      EndConversation(handle, true);
      return;
    }
  }
}

void LinkReady(void* context, int fd, short revents) {
  const auto handle = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(context));
  Conversation* conversation = OwnConversation(handle);
  if (conversation == nullptr || conversation->fd != fd) return;
  if ((revents & POLLOUT) != 0) {
    if (!WriteAvailable(fd, conversation->output, conversation->outputSent)) {
      EndConversation(handle, true);
      return;
    }
    if (conversation->outputSent == conversation->output.size()) {
      conversation->output.clear();
      conversation->outputSent = 0;
    }
    UpdateWatch(*conversation);
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) == 0) return;
  const ReadResult read = ReadAvailable(fd, conversation->input);
  ProcessInput(handle);
  // A hang-up, also one in the middle of a frame, ends the conversation.
  if (read != ReadResult::Open) EndConversation(handle, true);
}

}  // namespace

void UpdateWatch(Conversation& conversation) {
  short wanted = 0;
  if (!conversation.dispatching) {
    wanted = POLLIN;
    if (conversation.outputSent < conversation.output.size()) wanted |= POLLOUT;
  }
  if (wanted == conversation.watched) return;
  if (conversation.watched != 0) UnwatchFd(conversation.fd);
  if (wanted != 0) WatchFd(conversation.fd, wanted, LinkReady, ContextOf(conversation.handle));
  conversation.watched = wanted;
}

namespace {

// Sends what the socket takes now of the queued output.
bool FlushOutput(Conversation& conversation) {
  if (!WriteAvailable(conversation.fd, conversation.output, conversation.outputSent)) return false;
  if (conversation.outputSent == conversation.output.size()) {
    conversation.output.clear();
    conversation.outputSent = 0;
  }
  UpdateWatch(conversation);
  return true;
}

}  // namespace

bool SendFrame(Conversation& conversation, const Bytes& frame) {
  conversation.output.insert(conversation.output.end(), frame.begin(), frame.end());
  return FlushOutput(conversation);
}

bool SendFrame(Conversation& conversation, Bytes&& frame) {
  if (conversation.output.empty()) {
    conversation.output = std::move(frame);
    conversation.outputSent = 0;
  } else {
    conversation.output.insert(conversation.output.end(), frame.begin(), frame.end());
  }
  return FlushOutput(conversation);
}

void EndConversation(DWORD handle, bool notifyOwner) {
  // Only the owning thread ends a conversation.
  if (OwnConversation(handle) == nullptr) return;
  const std::unique_ptr<Conversation> conversation = RemoveConversation(handle);
  if (conversation->watched != 0) UnwatchFd(conversation->fd);
  close(conversation->fd);
  if (conversation->topic != 0) ReleaseAtom(conversation->topic);
  if (conversation->service != 0) ReleaseAtom(conversation->service);
  Instance* instance = OwnInstance(conversation->instance);
  if (instance == nullptr) return;
  Pending& pending = instance->pending;
  if (instance->inTransaction && pending.conversation == handle &&
      pending.outcome == Outcome::Waiting) {
    pending.outcome = Outcome::Broken;
  }
  if (notifyOwner && conversation->state == LinkState::Open) {
    CallInstance(conversation->instance, XTYP_DISCONNECT, 0, handle, 0, 0, nullptr);
  }
}

}  // namespace winsub::dde
