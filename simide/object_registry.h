// Bookkeeping of every object the simulated host hands out: how many of each
// kind are alive, and how often one was released after its count reached 0.
// An object that reaches 0 is dead for its callers at once, but its memory is
// kept until the registry goes, so that a surplus Release is counted instead
// of touching freed memory.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "contracts/toolintf.h"

namespace simide {

enum class ObjectKind { ToolServices, Module, Editor, View, Reader, Writer };
inline constexpr std::size_t ObjectKindCount = 6;
const char* ObjectKindName(ObjectKind kind);

class ObjectRegistry;

// The host-side part of every handed-out object.
class Tracked {
 public:
  Tracked(ObjectRegistry& registry, ObjectKind kind);
  Tracked(const Tracked&) = delete;
  Tracked& operator=(const Tracked&) = delete;
  virtual ~Tracked() = default;

  ObjectKind Kind() const { return kind_; }
  bool Dead() const { return dead_; }
  int References() const { return references_; }

 protected:
  int AddReference();
  int DropReference();
  // Called once when the count reaches 0: let go of host state.
  virtual void OnLastRelease() {}

 private:
  ObjectRegistry& registry_;
  ObjectKind kind_;
  int references_ = 1;
  bool dead_ = false;
};

// Joins a tools-interface class with the host's reference counting.
template <class Interface>
class HostObject : public Interface, public Tracked {
 public:
  HostObject(ObjectRegistry& registry, ObjectKind kind) : Tracked(registry, kind) {}
  int AddRef() override { return AddReference(); }
  int Release() override { return DropReference(); }
};

struct ObjectCounts {
  std::array<int, ObjectKindCount> live{};
  int Of(ObjectKind kind) const { return live[static_cast<std::size_t>(kind)]; }
  // Everything but the tool services, which the host keeps for its own life.
  int HandedOut() const;
};

class ObjectRegistry {
 public:
  ObjectRegistry() = default;
  ObjectRegistry(const ObjectRegistry&) = delete;
  ObjectRegistry& operator=(const ObjectRegistry&) = delete;
  ~ObjectRegistry();

  // Takes the memory of a new object; it stays until the registry goes.
  template <class T>
  T* Adopt(std::unique_ptr<T> object) {
    T* raw = object.get();
    objects_.push_back(std::move(object));
    return raw;
  }

  ObjectCounts Live() const { return counts_; }
  int OverReleases() const { return overReleases_; }
  // One line per surplus release, e.g. "Reader released after it was destroyed".
  const std::vector<std::string>& Faults() const { return faults_; }

 private:
  friend class Tracked;
  void Created(ObjectKind kind);
  void Destroyed(ObjectKind kind);
  void ReleasedTooOften(ObjectKind kind);

  std::vector<std::unique_ptr<Tracked>> objects_;
  ObjectCounts counts_;
  int overReleases_ = 0;
  std::vector<std::string> faults_;
};

}  // namespace simide
