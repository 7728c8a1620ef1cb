// Inside libwinsub only: the kernel objects behind HANDLE values. Every handle
// we hand out is a heap object registered here, so that a stale, foreign or
// made-up handle is refused with ERROR_INVALID_HANDLE instead of crashing.
#pragma once

#include "platform/posix/include/win32_subset.h"

namespace winsub {

enum class HandleKind { File, FindSearch };

// Base of every kernel object; the kind tells which release function owns it.
struct KernelObject {
  explicit KernelObject(HandleKind objectKind) : kind(objectKind) {}
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;
  const HandleKind kind;
};

// Takes ownership; returns the handle value for it.
HANDLE RegisterHandle(KernelObject* object);

// The object behind `handle` when it is live and of `kind`, else nullptr.
KernelObject* LookUpHandle(HANDLE handle, HandleKind kind);

// Removes a live handle of `kind` and returns its object (now owned by the
// caller), or nullptr when there is none.
KernelObject* UnregisterHandle(HANDLE handle, HandleKind kind);

}  // namespace winsub
