// The host's tool services: the first object the expert gets, kept by it for
// its whole life.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "contracts/toolintf.h"
#include "simide/object_registry.h"
#include "simide/workspace.h"

namespace simide {

class ToolServicesObject final : public HostObject<kvx::TIToolServices> {
 public:
  using ParentLookup = std::function<HWND()>;

  ToolServicesObject(ObjectRegistry& registry, Workspace& workspace, ParentLookup parent);

  HWND GetParentHandle() override;
  bool AddNotifier(kvx::TIAddInNotifier* AddInNotifier) override;
  bool RemoveNotifier(kvx::TIAddInNotifier* AddInNotifier) override;
  std::string GetProjectName() override;
  std::string GetCurrentFile() override;
  bool IsFileOpen(const std::string& FileName) override;
  kvx::TIModuleInterface* GetModuleInterface(const std::string& FileName) override;
  bool ReloadFile(const std::string& FileName) override;
  void RaiseException(const std::string& Message) override;

  const std::vector<std::string>& RaisedExceptions() const { return exceptions_; }

 private:
  ObjectRegistry& registry_;
  Workspace& workspace_;
  ParentLookup parent_;
  std::vector<std::string> exceptions_;
};

}  // namespace simide
