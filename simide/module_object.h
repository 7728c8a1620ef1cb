// The module object handed out by GetModuleInterface: a fresh object per call,
// pointing at the module that was open then.
#pragma once

#include <memory>

#include "contracts/toolintf.h"
#include "simide/object_registry.h"
#include "simide/workspace.h"

namespace simide {

class ModuleObject final : public HostObject<kvx::TIModuleInterface> {
 public:
  ModuleObject(ObjectRegistry& registry, Workspace& workspace, std::shared_ptr<ModuleState> module);

  kvx::TIEditorInterface* GetEditorInterface() override;
  bool AddNotifier(kvx::TIModuleNotifier* ModuleNotifier) override;
  bool RemoveNotifier(kvx::TIModuleNotifier* ModuleNotifier) override;
  bool Save(bool ForceSave) override;
  bool ShowSource() override;

 private:
  void OnLastRelease() override { module_.reset(); }

  ObjectRegistry& registry_;
  Workspace& workspace_;
  std::shared_ptr<ModuleState> module_;
};

}  // namespace simide
