#include "simide/module_object.h"

#include "simide/editor_objects.h"

namespace simide {

ModuleObject::ModuleObject(ObjectRegistry& registry, Workspace& workspace,
                           std::shared_ptr<ModuleState> module)
    : HostObject(registry, ObjectKind::Module),
      registry_(registry),
      workspace_(workspace),
      module_(std::move(module)) {}

kvx::TIEditorInterface* ModuleObject::GetEditorInterface() {
  if (!module_ || !module_->open) return nullptr;
  return registry_.Adopt(std::make_unique<EditorObject>(registry_, workspace_, module_));
}

bool ModuleObject::AddNotifier(kvx::TIModuleNotifier* ModuleNotifier) {
  return module_ && workspace_.AddModuleNotifier(module_, ModuleNotifier);
}

bool ModuleObject::RemoveNotifier(kvx::TIModuleNotifier* ModuleNotifier) {
  return module_ && workspace_.RemoveModuleNotifier(module_, ModuleNotifier);
}

// The IDE writes the module whether or not it changed; ForceSave only
// matters to an IDE that would ask first.
bool ModuleObject::Save(bool ForceSave) {
  (void)ForceSave;
  return module_ && workspace_.Save(module_);
}

bool ModuleObject::ShowSource() { return module_ && workspace_.ShowSource(module_); }

}  // namespace simide
