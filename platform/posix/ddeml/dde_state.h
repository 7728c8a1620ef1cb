// Instances and conversations of this process. Each belongs to the thread that
// made it: only that thread changes or removes it, so the owner works on it
// without a lock; the tables themselves (lookup, insert, erase) are guarded so
// that a call from the wrong thread fails cleanly.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

#include "platform/posix/ddeml/dde_frame.h"
#include "platform/posix/include/win32_subset.h"

namespace winsub::dde {

enum class Role { Client, Server };
// Connecting: the client waits for the server's answer, or a server link waits
// for the client's connect. Refused: the server said no (client side only).
enum class LinkState { Connecting, Open, Refused };

struct Conversation {
  DWORD handle = 0;
  DWORD instance = 0;
  DWORD thread = 0;
  Role role = Role::Client;
  LinkState state = LinkState::Connecting;
  int fd = -1;
  Bytes input;              // received bytes not yet taken as whole frames
  Bytes output;             // bytes still to send, from outputSent on
  std::size_t outputSent = 0;
  short watched = 0;        // poll events registered with the thread's wait set
  bool dispatching = false;  // a callback for one of its frames is running
  std::uintptr_t topic = 0;   // atoms held while a server conversation lives
  std::uintptr_t service = 0;
};

struct Service {
  std::string key;  // lowercased name
  std::string path;
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
};

enum class Outcome { Waiting, Answered, Broken };

// The one synchronous transaction an instance may have in flight.
struct Pending {
  std::uint32_t id = 0;
  DWORD conversation = 0;
  UINT type = 0;
  Outcome outcome = Outcome::Waiting;
  std::uint16_t status = 0;
  bool hasData = false;
  std::uint32_t format = 0;
  Bytes data;
};

struct Instance {
  DWORD id = 0;
  DWORD thread = 0;
  PFNCALLBACK callback = nullptr;
  DWORD flags = 0;
  std::atomic<UINT> lastError{DMLERR_NO_ERROR};
  std::vector<Service> services;
  bool inTransaction = false;
  std::uint32_t nextTransactionId = 1;
  Pending pending;
};

// ---- instances
DWORD AddInstance(std::unique_ptr<Instance> instance);
// The calling thread's instance with this id. For another thread's instance
// the answer is null and that instance's error becomes DMLERR_INVALIDPARAMETER.
Instance* OwnInstance(DWORD id);
std::unique_ptr<Instance> RemoveInstance(DWORD id);
// Returns and clears the error; DMLERR_INVALIDPARAMETER for an unknown id or
// another thread's instance.
UINT TakeInstanceError(DWORD id);

// ---- conversations
DWORD AddConversation(std::unique_ptr<Conversation> conversation);
// The calling thread's conversation; null for unknown handles (no error set)
// and for another thread's (its instance's error becomes DMLERR_INVALIDPARAMETER).
Conversation* OwnConversation(DWORD handle);
std::unique_ptr<Conversation> RemoveConversation(DWORD handle);
std::vector<DWORD> ConversationsOf(DWORD instance);

// ---- handle values as the API passes them
inline HCONV ToHconv(DWORD handle) {
  return reinterpret_cast<HCONV>(static_cast<std::uintptr_t>(handle));
}
inline DWORD FromHconv(HCONV conversation) {
  const auto value = reinterpret_cast<std::uintptr_t>(conversation);
  return value > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(value);
}

DWORD CurrentThread();

// Runs the instance's callback (no lock held); 0 when the instance is gone.
HDDEDATA CallInstance(DWORD instance, UINT type, UINT format, DWORD conversation,
                      std::uintptr_t hsz1, std::uintptr_t hsz2, HDDEDATA data);

}  // namespace winsub::dde
