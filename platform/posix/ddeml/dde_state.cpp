#include "platform/posix/ddeml/dde_state.h"

#include <map>
#include <mutex>

#include "platform/posix/ddeml/dde_atoms.h"

namespace winsub::dde {

namespace {

std::mutex tableMutex;
std::map<DWORD, std::unique_ptr<Instance>> instances;
std::map<DWORD, std::unique_ptr<Conversation>> conversations;
// Never reused, so a stale id or handle stays invalid.
DWORD nextInstanceId = 1;
DWORD nextConversationHandle = 0x00C70001;

}  // namespace

DWORD CurrentThread() { return GetCurrentThreadId(); }

DWORD AddInstance(std::unique_ptr<Instance> instance) {
  std::lock_guard lock(tableMutex);
  const DWORD id = nextInstanceId++;
  instance->id = id;
  instances.emplace(id, std::move(instance));
  return id;
}

Instance* OwnInstance(DWORD id) {
  std::lock_guard lock(tableMutex);
  const auto found = instances.find(id);
  if (found == instances.end()) return nullptr;
  Instance* instance = found->second.get();
  if (instance->thread != CurrentThread()) {
    instance->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  return instance;
}

std::unique_ptr<Instance> RemoveInstance(DWORD id) {
  std::lock_guard lock(tableMutex);
  const auto found = instances.find(id);
  if (found == instances.end()) return nullptr;
  std::unique_ptr<Instance> instance = std::move(found->second);
  instances.erase(found);
  return instance;
}

UINT TakeInstanceError(DWORD id) {
  std::lock_guard lock(tableMutex);
  const auto found = instances.find(id);
  if (found == instances.end() || found->second->thread != CurrentThread()) {
    return DMLERR_INVALIDPARAMETER;
  }
  return found->second->lastError.exchange(DMLERR_NO_ERROR);
}

DWORD AddConversation(std::unique_ptr<Conversation> conversation) {
  std::lock_guard lock(tableMutex);
  const DWORD handle = nextConversationHandle++;
  conversation->handle = handle;
  conversations.emplace(handle, std::move(conversation));
  return handle;
}

Conversation* OwnConversation(DWORD handle) {
  std::lock_guard lock(tableMutex);
  const auto found = conversations.find(handle);
  if (found == conversations.end()) return nullptr;
  Conversation* conversation = found->second.get();
  if (conversation->thread != CurrentThread()) {
    const auto owner = instances.find(conversation->instance);
    if (owner != instances.end()) owner->second->lastError = DMLERR_INVALIDPARAMETER;
    return nullptr;
  }
  return conversation;
}

std::unique_ptr<Conversation> RemoveConversation(DWORD handle) {
  std::lock_guard lock(tableMutex);
  const auto found = conversations.find(handle);
  if (found == conversations.end()) return nullptr;
  std::unique_ptr<Conversation> conversation = std::move(found->second);
  conversations.erase(found);
  return conversation;
}

std::vector<DWORD> ConversationsOf(DWORD instance) {
  std::lock_guard lock(tableMutex);
  std::vector<DWORD> handles;
  for (const auto& [handle, conversation] : conversations) {
    if (conversation->instance == instance) handles.push_back(handle);
  }
  return handles;
}

HDDEDATA CallInstance(DWORD instance, UINT type, UINT format, DWORD conversation,
                      std::uintptr_t hsz1, std::uintptr_t hsz2, HDDEDATA data) {
  const Instance* owner = OwnInstance(instance);
  if (owner == nullptr || owner->callback == nullptr) return nullptr;
  const PFNCALLBACK callback = owner->callback;
  return callback(type, format, ToHconv(conversation), ToHsz(hsz1), ToHsz(hsz2), data, 0, 0);
}

}  // namespace winsub::dde
