#include "simide/tool_services.h"

#include <cstdio>

#include "simide/module_object.h"

namespace simide {

ToolServicesObject::ToolServicesObject(ObjectRegistry& registry, Workspace& workspace,
                                       ParentLookup parent)
    : HostObject(registry, ObjectKind::ToolServices),
      registry_(registry),
      workspace_(workspace),
      parent_(std::move(parent)) {}

HWND ToolServicesObject::GetParentHandle() { return parent_ ? parent_() : nullptr; }

bool ToolServicesObject::AddNotifier(kvx::TIAddInNotifier* AddInNotifier) {
  return workspace_.AddAddInNotifier(AddInNotifier);
}

bool ToolServicesObject::RemoveNotifier(kvx::TIAddInNotifier* AddInNotifier) {
  return workspace_.RemoveAddInNotifier(AddInNotifier);
}

std::string ToolServicesObject::GetProjectName() { return workspace_.ProjectName(); }

std::string ToolServicesObject::GetCurrentFile() { return workspace_.FrontFile(); }

bool ToolServicesObject::IsFileOpen(const std::string& FileName) {
  return workspace_.FindOpen(FileName) != nullptr;
}

kvx::TIModuleInterface* ToolServicesObject::GetModuleInterface(const std::string& FileName) {
  auto module = workspace_.FindOpen(FileName);
  if (!module) return nullptr;
  return registry_.Adopt(std::make_unique<ModuleObject>(registry_, workspace_, std::move(module)));
}

bool ToolServicesObject::ReloadFile(const std::string& FileName) { return workspace_.Reload(FileName); }

void ToolServicesObject::RaiseException(const std::string& Message) {
  std::fprintf(stderr, "simide: exception raised by the expert: %s\n", Message.c_str());
  exceptions_.push_back(Message);
}

}  // namespace simide
