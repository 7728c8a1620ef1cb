#include "simide/object_registry.h"

#include <cstdio>

namespace simide {

const char* ObjectKindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::ToolServices: return "ToolServices";
    case ObjectKind::Module: return "Module";
    case ObjectKind::Editor: return "Editor";
    case ObjectKind::View: return "View";
    case ObjectKind::Reader: return "Reader";
    case ObjectKind::Writer: return "Writer";
  }
  return "?";
}

Tracked::Tracked(ObjectRegistry& registry, ObjectKind kind) : registry_(registry), kind_(kind) {
  registry_.Created(kind_);
}

int Tracked::AddReference() {
  if (dead_) {
    registry_.ReleasedTooOften(kind_);
    return 0;
  }
  return ++references_;
}

int Tracked::DropReference() {
  if (dead_) {
    registry_.ReleasedTooOften(kind_);
    return 0;
  }
  if (--references_ > 0) return references_;
  dead_ = true;
  registry_.Destroyed(kind_);
  OnLastRelease();
  return 0;
}

int ObjectCounts::HandedOut() const {
  int total = 0;
  for (std::size_t i = 0; i < live.size(); ++i) {
    if (i != static_cast<std::size_t>(ObjectKind::ToolServices)) total += live[i];
  }
  return total;
}

ObjectRegistry::~ObjectRegistry() = default;

void ObjectRegistry::Created(ObjectKind kind) { ++counts_.live[static_cast<std::size_t>(kind)]; }

void ObjectRegistry::Destroyed(ObjectKind kind) { --counts_.live[static_cast<std::size_t>(kind)]; }

void ObjectRegistry::ReleasedTooOften(ObjectKind kind) {
  ++overReleases_;
  std::string fault = std::string(ObjectKindName(kind)) + " used after it was destroyed";
  std::fprintf(stderr, "simide: %s\n", fault.c_str());
  faults_.push_back(std::move(fault));
}

}  // namespace simide
