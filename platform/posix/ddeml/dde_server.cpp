// DdeNameService and what a server instance does with incoming links:
// accept, ask the callback about the connect, answer executes and requests.
#include "platform/posix/ddeml/dde_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/posix/ddeml/dde_atoms.h"
#include "platform/posix/ddeml/dde_data.h"
#include "platform/posix/ddeml/dde_directory.h"
#include "platform/posix/ddeml/dde_link.h"
#include "platform/posix/ddeml/dde_socket.h"
#include "platform/posix/internal/thread_wait.h"

namespace winsub::dde {

namespace {

// Bounded so that a flood of connects cannot hold the thread in one handler.
constexpr int AcceptsPerWakeup = 16;

void CloseService(const Service& service) {
  UnwatchFd(service.fd);
  close(service.fd);
  // Remove the file only while it is still ours: a successor may own the name.
  struct stat info {};
  if (stat(service.path.c_str(), &info) == 0 && info.st_dev == service.device &&
      info.st_ino == service.inode) {
    unlink(service.path.c_str());
  }
}

void ListenerReady(void* context, int fd, short /*revents*/) {
  const auto id = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(context));
  Instance* instance = OwnInstance(id);
  if (instance == nullptr) return;
  const bool ours = std::any_of(instance->services.begin(), instance->services.end(),
                                [fd](const Service& service) { return service.fd == fd; });
  if (!ours) return;
  for (int i = 0; i < AcceptsPerWakeup; ++i) {
    const int link = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (link < 0) return;
    if (!PeerIsSameUser(link)) {
      close(link);
      continue;
    }
    auto conversation = std::make_unique<Conversation>();
    conversation->instance = id;
    conversation->thread = instance->thread;
    conversation->role = Role::Server;
    conversation->state = LinkState::Connecting;
    conversation->fd = link;
    Conversation* added = conversation.get();
    AddConversation(std::move(conversation));
    UpdateWatch(*added);
  }
}

bool ServesName(DWORD id, const std::string& service) {
  const Instance* instance = OwnInstance(id);
  if (instance == nullptr) return false;
  const std::string key = AtomKey(service);
  return std::any_of(instance->services.begin(), instance->services.end(),
                     [&key](const Service& registered) { return registered.key == key; });
}

bool AnswerConnect(DWORD handle, const Frame& frame) {
  Conversation* conversation = OwnConversation(handle);
  const std::optional<ConnectBody> body = DecodeConnect(frame.payload);
  if (conversation->state != LinkState::Connecting || !body) return false;
  const DWORD id = conversation->instance;
  conversation->topic = HoldAtom(body->topic);
  conversation->service = HoldAtom(body->service);
  const std::uintptr_t topic = conversation->topic;
  const std::uintptr_t service = conversation->service;
  bool accepted = false;
  if (ServesName(id, body->service)) {
    accepted = CallInstance(id, XTYP_CONNECT, 0, 0, topic, service, nullptr) != nullptr;
  }
  conversation = OwnConversation(handle);
  if (conversation == nullptr) return true;
  if (!accepted) {
    SendFrame(*conversation, EncodeConnectReply(false));
    EndConversation(handle, false);
    return true;
  }
  conversation->state = LinkState::Open;
  if (!SendFrame(*conversation, EncodeConnectReply(true))) return false;
  CallInstance(id, XTYP_CONNECT_CONFIRM, 0, handle, topic, service, nullptr);
  return true;
}

std::uint16_t AckStatus(HDDEDATA result) {
  const auto value = reinterpret_cast<std::uintptr_t>(result);
  if ((value & DDE_FACK) != 0) return DDE_FACK;
  if ((value & DDE_FBUSY) != 0) return DDE_FBUSY;
  return DDE_FNOTPROCESSED;
}

bool AnswerExecute(DWORD handle, Frame& frame) {
  Conversation* conversation = OwnConversation(handle);
  std::optional<ExecuteBody> body = DecodeExecute(std::move(frame.payload));
  if (conversation->state != LinkState::Open || !body) return false;
  const DWORD id = conversation->instance;
  // The command reaches the callback as a data handle of exactly its bytes.
  const HDDEDATA data = NewDataHandle(id, std::move(body->command), 0, 0, false);
  const HDDEDATA result =
      CallInstance(id, XTYP_EXECUTE, 0, handle, conversation->topic, 0, data);
  FreeData(data);
  conversation = OwnConversation(handle);
  if (conversation == nullptr) return true;
  return SendFrame(*conversation, EncodeExecuteReply({body->id, AckStatus(result)}));
}

bool AnswerRequest(DWORD handle, const Frame& frame) {
  Conversation* conversation = OwnConversation(handle);
  const std::optional<RequestBody> body = DecodeRequest(frame.payload);
  if (conversation->state != LinkState::Open || !body) return false;
  const DWORD id = conversation->instance;
  const std::uintptr_t item = HoldAtom(body->item);
  const HDDEDATA result =
      CallInstance(id, XTYP_REQUEST, body->format, handle, conversation->topic, item, nullptr);
  ReleaseAtom(item);
  RequestReplyBody reply;
  reply.id = body->id;
  reply.format = body->format;
  if (result != nullptr) {
    std::optional<DataContents> contents = TakeReturnedData(result);
    if (contents && contents->bytes.size() <= MaxDataBytes) {
      reply.hasData = true;
      reply.format = contents->format;
      reply.data = std::move(contents->bytes);
    }
  }
  conversation = OwnConversation(handle);
  if (conversation == nullptr) return true;
  return SendFrame(*conversation, EncodeRequestReply(reply));
}

HDDEDATA Register(Instance& instance, HSZ name) {
  const std::optional<std::string> text = AtomText(FromHsz(name));
  if (!text) {
    instance.lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  const std::string key = AtomKey(*text);
  for (const Service& service : instance.services) {
    if (service.key == key) return reinterpret_cast<HDDEDATA>(1);
  }
  const std::optional<std::string> path = ServiceSocketPath(*text);
  int fd = -1;
  if (!path || ListenAt(*path, fd) != ListenResult::Listening) {
    instance.lastError = DMLERR_SYS_ERROR;
    return nullptr;
  }
  Service service;
  service.key = key;
  service.path = *path;
  service.fd = fd;
  struct stat info {};
  if (stat(path->c_str(), &info) == 0) {
    service.device = info.st_dev;
    service.inode = info.st_ino;
  }
  instance.services.push_back(service);
  WatchFd(fd, POLLIN, ListenerReady,
          reinterpret_cast<void*>(static_cast<std::uintptr_t>(instance.id)));
  return reinterpret_cast<HDDEDATA>(1);
}

HDDEDATA Unregister(Instance& instance, HSZ name) {
  if (name == nullptr) {
    UnregisterAllServices(instance);
    return reinterpret_cast<HDDEDATA>(1);
  }
  const std::optional<std::string> text = AtomText(FromHsz(name));
  const std::string key = text ? AtomKey(*text) : std::string();
  const auto found = std::find_if(instance.services.begin(), instance.services.end(),
                                  [&key](const Service& service) { return service.key == key; });
  if (found == instance.services.end()) {
    instance.lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  CloseService(*found);
  instance.services.erase(found);
  return reinterpret_cast<HDDEDATA>(1);
}

}  // namespace

void UnregisterAllServices(Instance& instance) {
  for (const Service& service : instance.services) CloseService(service);
  instance.services.clear();
}

bool HandleServerFrame(DWORD handle, Frame& frame) {
  switch (frame.type) {
    case FrameType::Connect: return AnswerConnect(handle, frame);
    case FrameType::Execute: return AnswerExecute(handle, frame);
    case FrameType::Request: return AnswerRequest(handle, frame);
    default: return false;
  }
}

}  // namespace winsub::dde

using namespace winsub::dde;

WINSUB_API HDDEDATA WINAPI DdeNameService(DWORD idInst, HSZ hsz1, HSZ /*hsz2*/, UINT cmd) {
  Instance* instance = OwnInstance(idInst);
  if (instance == nullptr) return nullptr;
  if ((instance->flags & APPCMD_CLIENTONLY) != 0) {
    instance->lastError = DMLERR_DLL_USAGE;
    return nullptr;
  }
  if ((cmd & DNS_REGISTER) != 0 && (cmd & DNS_UNREGISTER) == 0) return Register(*instance, hsz1);
  if ((cmd & DNS_UNREGISTER) != 0 && (cmd & DNS_REGISTER) == 0) return Unregister(*instance, hsz1);
  instance->lastError = DMLERR_INVALIDPARAMETER;
  return nullptr;
}
