// Registry of live kernel objects (see handle_table.h).
#include "platform/posix/kernel32/handle_table.h"

#include <mutex>
#include <unordered_set>

namespace winsub {

namespace {

std::mutex tableMutex;

std::unordered_set<KernelObject*>& LiveObjects() {
  static auto* live = new std::unordered_set<KernelObject*>();  // outlives static destructors
  return *live;
}

KernelObject* FindLocked(HANDLE handle, HandleKind kind) {
  auto* candidate = static_cast<KernelObject*>(handle);
  auto& live = LiveObjects();
  // Only a registered pointer is dereferenced.
  if (live.find(candidate) == live.end() || candidate->kind != kind) return nullptr;
  return candidate;
}

}  // namespace

HANDLE RegisterHandle(KernelObject* object) {
  std::lock_guard lock(tableMutex);
  LiveObjects().insert(object);
  return object;
}

KernelObject* LookUpHandle(HANDLE handle, HandleKind kind) {
  std::lock_guard lock(tableMutex);
  return FindLocked(handle, kind);
}

KernelObject* UnregisterHandle(HANDLE handle, HandleKind kind) {
  std::lock_guard lock(tableMutex);
  KernelObject* object = FindLocked(handle, kind);
  if (object != nullptr) LiveObjects().erase(object);
  return object;
}

}  // namespace winsub
