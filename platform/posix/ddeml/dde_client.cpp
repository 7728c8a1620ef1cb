// Client side: DdeConnect, DdeDisconnect and synchronous transactions.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/posix/ddeml/dde_atoms.h"
#include "platform/posix/ddeml/dde_data.h"
#include "platform/posix/ddeml/dde_directory.h"
#include "platform/posix/ddeml/dde_link.h"
#include "platform/posix/ddeml/dde_socket.h"
#include "platform/posix/ddeml/dde_state.h"
#include "platform/posix/ddeml/dde_wait.h"
#include "platform/posix/include/winsub_control.h"
#include "platform/posix/internal/thread_wait.h"

namespace winsub::dde {

namespace {

constexpr int DefaultConnectTimeoutMs = 3000;

HCONV Refuse(DWORD id, UINT error) {
  if (Instance* instance = OwnInstance(id)) instance->lastError = error;
  return nullptr;
}

// Waits for a short while without dispatching the thread's messages: the
// watched sockets of the thread (its own servers included) are served, and
// a queue that already holds messages does not turn this into a busy loop.
void WaitWithoutDispatch(int fd, int remaining) {
  if (ThreadHasMessages()) {
    pollfd one{fd, POLLIN, 0};
    poll(&one, 1, std::min(remaining, 2));
    WaitForThreadActivity(0);
  } else {
    WaitForThreadActivity(remaining);
  }
}

// Connects the socket, retrying while the server's backlog is full.
bool ConnectSocket(int fd, const std::string& path, const Deadline& deadline) {
  for (;;) {
    switch (ConnectTo(fd, path)) {
      case ConnectResult::Connected: return PeerIsSameUser(fd);
      case ConnectResult::NoServer: return false;
      case ConnectResult::TryAgain: break;
    }
    const int remaining = deadline.Remaining();
    if (remaining == 0) return false;
    WaitWithoutDispatch(fd, std::min(remaining, 10));
  }
}

HCONV AwaitConnectReply(DWORD id, DWORD handle, const Deadline& deadline) {
  for (;;) {
    Conversation* conversation = OwnConversation(handle);
    if (conversation == nullptr) return Refuse(id, DMLERR_NO_CONV_ESTABLISHED);
    if (conversation->state == LinkState::Open) return ToHconv(handle);
    const int remaining = deadline.Remaining();
    if (conversation->state == LinkState::Refused || remaining == 0) {
      EndConversation(handle, false);
      return Refuse(id, DMLERR_NO_CONV_ESTABLISHED);
    }
    WaitWithoutDispatch(conversation->fd, remaining);
  }
}

bool TakeReply(DWORD handle, UINT type, std::uint32_t id, Outcome& outcome) {
  Conversation* conversation = OwnConversation(handle);
  Instance* instance = OwnInstance(conversation->instance);
  if (instance == nullptr) return false;
  Pending& pending = instance->pending;
  // A reply to a transaction that timed out carries an old id: dropped.
  if (!instance->inTransaction || pending.conversation != handle || pending.id != id ||
      pending.outcome != Outcome::Waiting) {
    return true;
  }
  if (pending.type != type) return false;
  outcome = Outcome::Answered;
  return true;
}

UINT TimeoutError(UINT type) {
  return type == XTYP_EXECUTE ? DMLERR_EXECACKTIMEOUT : DMLERR_DATAACKTIMEOUT;
}

// The transaction's wait: dispatches the thread's messages (window procedures,
// hooks and notifications run inside the call, as with the Windows modal
// loop) and serves the thread's sockets until the answer or the timeout.
// Answers false when the instance was uninitialised meanwhile.
bool AwaitAnswer(DWORD id, const Deadline& deadline) {
  for (;;) {
    Instance* instance = OwnInstance(id);
    if (instance == nullptr) return false;
    if (instance->pending.outcome != Outcome::Waiting) return true;
    const int remaining = deadline.Remaining();
    if (remaining == 0) return true;
    // A WM_QUIT in the queue ends the wait: the application is closing down.
    if (PumpPendingMessages()) return true;
    instance = OwnInstance(id);
    if (instance == nullptr) return false;
    if (instance->pending.outcome != Outcome::Waiting) return true;
    WaitForThreadActivity(deadline.Remaining());
  }
}

HDDEDATA Fail(Instance& instance, UINT error) {
  instance.lastError = error;
  return nullptr;
}

}  // namespace

int ConnectTimeoutMs() {
  const char* text = std::getenv("WINSUB_DDE_CONNECT_TIMEOUT_MS");
  if (text == nullptr || *text == '\0') return DefaultConnectTimeoutMs;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < 0 || value > 600000) return DefaultConnectTimeoutMs;
  return static_cast<int>(value);
}

bool HandleClientFrame(DWORD handle, Frame& frame) {
  Conversation* conversation = OwnConversation(handle);
  switch (frame.type) {
    case FrameType::ConnectReply: {
      const std::optional<bool> accepted = DecodeConnectReply(frame.payload);
      if (!accepted || conversation->state != LinkState::Connecting) return false;
      conversation->state = *accepted ? LinkState::Open : LinkState::Refused;
      return true;
    }
    case FrameType::ExecuteReply: {
      const std::optional<ExecuteReplyBody> body = DecodeExecuteReply(frame.payload);
      if (!body || conversation->state != LinkState::Open) return false;
      Outcome outcome = Outcome::Waiting;
      if (!TakeReply(handle, XTYP_EXECUTE, body->id, outcome)) return false;
      if (outcome == Outcome::Answered) {
        Pending& pending = OwnInstance(conversation->instance)->pending;
        pending.outcome = outcome;
        pending.status = body->status;
      }
      return true;
    }
    case FrameType::RequestReply: {
      std::optional<RequestReplyBody> body = DecodeRequestReply(std::move(frame.payload));
      if (!body || conversation->state != LinkState::Open) return false;
      Outcome outcome = Outcome::Waiting;
      if (!TakeReply(handle, XTYP_REQUEST, body->id, outcome)) return false;
      if (outcome == Outcome::Answered) {
        Pending& pending = OwnInstance(conversation->instance)->pending;
        pending.outcome = outcome;
        pending.hasData = body->hasData;
        pending.format = body->format;
        pending.data = std::move(body->data);
      }
      return true;
    }
    default: return false;
  }
}

}  // namespace winsub::dde

using namespace winsub::dde;

WINSUB_API HCONV WINAPI DdeConnect(DWORD idInst, HSZ service, HSZ topic, PCONVCONTEXT /*context*/) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return nullptr;
  if (WinsubFaultStrikes(WINSUB_FAULT_DDE_CONNECT)) return Refuse(idInst, DMLERR_NO_CONV_ESTABLISHED);
  const std::optional<std::string> serviceName = AtomText(FromHsz(service));
  const std::optional<std::string> topicName = AtomText(FromHsz(topic));
  if (!serviceName || !topicName) return Refuse(idInst, DMLERR_INVALIDPARAMETER);
  const std::optional<std::string> path = ServiceSocketPath(*serviceName);
  if (!path) return Refuse(idInst, DMLERR_NO_CONV_ESTABLISHED);
  const int fd = NewStreamSocket();
  if (fd < 0) return Refuse(idInst, DMLERR_SYS_ERROR);
  const Deadline deadline(ConnectTimeoutMs());
  if (!ConnectSocket(fd, *path, deadline)) {
    close(fd);
    return Refuse(idInst, DMLERR_NO_CONV_ESTABLISHED);
  }
  auto created = std::make_unique<Conversation>();
  created->instance = idInst;
  created->thread = CurrentThread();
  created->role = Role::Client;
  created->state = LinkState::Connecting;
  created->fd = fd;
  Conversation* conversation = created.get();
  const DWORD handle = AddConversation(std::move(created));
  if (!SendFrame(*conversation, EncodeConnect({*topicName, *serviceName}))) {
    EndConversation(handle, false);
    return Refuse(idInst, DMLERR_NO_CONV_ESTABLISHED);
  }
  return AwaitConnectReply(idInst, handle, deadline);
}

WINSUB_API BOOL WINAPI DdeDisconnect(HCONV conv) {
  const DWORD handle = FromHconv(conv);
  const Conversation* conversation = OwnConversation(handle);
  if (conversation == nullptr || conversation->state != LinkState::Open) return FALSE;
  EndConversation(handle, false);
  return TRUE;
}

WINSUB_API HDDEDATA WINAPI DdeClientTransaction(LPBYTE data, DWORD cbData, HCONV conv, HSZ item,
                                                UINT fmt, UINT type, DWORD timeout, LPDWORD result) {
  const DWORD handle = FromHconv(conv);
  Conversation* conversation = OwnConversation(handle);
  // A call without a live conversation reaches no instance: no error code.
  if (conversation == nullptr) return nullptr;
  const DWORD id = conversation->instance;
  Instance* instance = OwnInstance(id);
  if (instance == nullptr) return nullptr;
  if (conversation->role != Role::Client || conversation->state != LinkState::Open) {
    return Fail(*instance, DMLERR_INVALIDPARAMETER);
  }

  Bytes frame;
  const std::uint32_t transaction = instance->nextTransactionId;
  if (type == XTYP_EXECUTE) {
    if (cbData == 0xFFFFFFFFu) {
      // The handle is used up here, whatever becomes of the transaction.
      std::optional<Bytes> bytes = ConsumeData(reinterpret_cast<HDDEDATA>(data));
      if (!bytes) return Fail(*instance, DMLERR_INVALIDPARAMETER);
      if (bytes->size() > MaxDataBytes) return Fail(*instance, DMLERR_MEMORY_ERROR);
      frame = EncodeExecute(transaction, bytes->data(), bytes->size());
    } else {
      if (data == nullptr && cbData > 0) return Fail(*instance, DMLERR_INVALIDPARAMETER);
      if (cbData > MaxDataBytes) return Fail(*instance, DMLERR_MEMORY_ERROR);
      // Framed straight from the caller's bytes: no copy in between.
      frame = EncodeExecute(transaction, data, cbData);
    }
  } else if (type == XTYP_REQUEST) {
    const std::optional<std::string> itemName = AtomText(FromHsz(item));
    if (!itemName) return Fail(*instance, DMLERR_INVALIDPARAMETER);
    frame = EncodeRequest({transaction, fmt, *itemName});
  } else {
    return Fail(*instance, DMLERR_INVALIDPARAMETER);
  }
  if (timeout == TIMEOUT_ASYNC) return Fail(*instance, DMLERR_INVALIDPARAMETER);
  if (instance->inTransaction) return Fail(*instance, DMLERR_REENTRANCY);

  instance->nextTransactionId = transaction + 1 == 0 ? 1 : transaction + 1;
  instance->inTransaction = true;
  instance->pending = Pending{};
  instance->pending.id = transaction;
  instance->pending.conversation = handle;
  instance->pending.type = type;
  if (!SendFrame(*conversation, std::move(frame))) EndConversation(handle, true);

  if (!AwaitAnswer(id, Deadline(timeout))) return nullptr;
  instance = OwnInstance(id);
  Pending pending = std::move(instance->pending);
  instance->pending = Pending{};
  instance->inTransaction = false;

  if (pending.outcome == Outcome::Waiting) return Fail(*instance, TimeoutError(type));
  if (result != nullptr) *result = 0;
  if (pending.outcome == Outcome::Broken) return Fail(*instance, DMLERR_SERVER_DIED);
  if (type == XTYP_EXECUTE) {
    if (result != nullptr) *result = pending.status;
    if ((pending.status & DDE_FACK) != 0) return reinterpret_cast<HDDEDATA>(1);
    return Fail(*instance, (pending.status & DDE_FBUSY) != 0 ? DMLERR_BUSY : DMLERR_NOTPROCESSED);
  }
  if (!pending.hasData) return Fail(*instance, DMLERR_NOTPROCESSED);
  return NewDataHandle(id, std::move(pending.data), pending.format, FromHsz(item), false);
}
