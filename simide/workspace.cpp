#include "simide/workspace.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "simide/notification_names.h"
#include "simide/text_positions.h"

namespace simide {

namespace {

template <class T>
bool Contains(const std::vector<T>& items, const T& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

template <class T>
bool Erase(std::vector<T>& items, const T& item) {
  const auto found = std::find(items.begin(), items.end(), item);
  if (found == items.end()) return false;
  items.erase(found);
  return true;
}

kvx::TEditPos EditPosOf(LineColumn place) {
  return kvx::TEditPos{static_cast<int16_t>(place.column), static_cast<int32_t>(place.line)};
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

// ---------------------------------------------------------------- projects

bool Workspace::OpenProject(const std::string& projectFile) {
  if (!project_.empty() && !CloseProject()) return false;
  if (FireFile(kvx::fnProjectOpening, projectFile)) return false;
  project_ = projectFile;
  if (!FindOpen(projectFile)) CreateModule(projectFile);
  FireFile(kvx::fnProjectOpened, projectFile);
  return true;
}

bool Workspace::CloseProject() {
  if (project_.empty()) return false;
  if (FireFile(kvx::fnProjectClosing, project_)) return false;
  for (const std::string& name : OpenFiles()) CloseFile(name);
  project_.clear();
  return true;
}

// ---------------------------------------------------------------- files

bool Workspace::OpenFile(const std::string& fileName) {
  if (const auto module = FindOpen(fileName)) {
    BringToFront(module);
    return true;
  }
  if (FireFile(kvx::fnFileOpening, fileName)) return false;
  CreateModule(fileName);
  FireFile(kvx::fnFileOpened, fileName);
  return true;
}

bool Workspace::AddFile(const std::string& fileName) {
  if (!FindOpen(fileName)) CreateModule(fileName);
  FireFile(kvx::fnAddedToProject, fileName);
  return true;
}

bool Workspace::CloseFile(const std::string& fileName) {
  const auto module = FindOpen(fileName);
  if (!module) return false;
  if (FireFile(kvx::fnFileClosing, fileName)) return false;
  FireModule(module, kvx::ncModuleDeleted);
  Erase(open_, module);
  Erase(front_, module);
  module->open = false;
  if (!module->notifiers.empty()) closed_.push_back(module);
  return true;
}

bool Workspace::SelectFile(const std::string& fileName) {
  const auto module = FindOpen(fileName);
  if (!module) return false;
  BringToFront(module);
  FireModule(module, kvx::ncEditorSelected);
  return true;
}

// ---------------------------------------------------------------- edits

bool Workspace::InsertText(const std::string& fileName, std::size_t offset, const std::string& text) {
  return ReplaceText(fileName, offset, 0, text);
}

bool Workspace::ReplaceText(const std::string& fileName, std::size_t offset, std::size_t count,
                            const std::string& text) {
  const auto module = FindOpen(fileName);
  if (!module || offset > module->text.size() || count > module->text.size() - offset) return false;
  std::string edited = module->text;
  edited.replace(offset, count, text);
  return UserEdit(module, std::move(edited));
}

bool Workspace::TypeText(const std::string& text) {
  if (front_.empty()) return false;
  const auto module = front_.back();
  if (module->views.empty()) return false;
  ViewState& view = module->views.front();
  const std::size_t offset = OffsetOf(module->text, {view.cursor.Line, view.cursor.Col});
  std::string edited = module->text;
  edited.insert(offset, text);
  view.cursor = EditPosOf(PlaceOf(edited, offset + text.size()));
  return UserEdit(module, std::move(edited));
}

bool Workspace::Undo(const std::string& fileName) {
  const auto module = FindOpen(fileName);
  if (!module || module->undoSteps.empty()) return false;
  module->text = std::move(module->undoSteps.back());
  module->undoSteps.pop_back();
  module->modified = true;
  FireModule(module, kvx::ncEditorModified);
  return true;
}

bool Workspace::UserEdit(const std::shared_ptr<ModuleState>& module, std::string newText) {
  module->undoSteps.push_back(std::move(module->text));
  module->text = std::move(newText);
  module->modified = true;
  FireModule(module, kvx::ncEditorModified);
  return true;
}

void Workspace::ApplyWriterEdit(const std::shared_ptr<ModuleState>& module, std::string newText,
                                bool undoable) {
  if (!module->open) {
    Note("writer released after " + module->fileName + " was closed: edits dropped");
    return;
  }
  if (newText == module->text) return;
  if (undoable) {
    module->undoSteps.push_back(std::move(module->text));
  } else {
    // Earlier undo steps would bring back a text without these edits.
    module->undoSteps.clear();
  }
  module->text = std::move(newText);
  module->modified = true;
  if (notifyOnWriterEdits_) FireModule(module, kvx::ncEditorModified);
}

// ---------------------------------------------------------------- saving

bool Workspace::SaveFile(const std::string& fileName) {
  const auto module = FindOpen(fileName);
  return module && Save(module);
}

bool Workspace::Save(const std::shared_ptr<ModuleState>& module) {
  if (!module->open) return false;
  FireModule(module, kvx::ncBeforeSave);
  if (!WriteModule(module, module->fileName)) return false;
  module->modified = false;
  FireModule(module, kvx::ncAfterSave);
  return true;
}

bool Workspace::SaveFileAs(const std::string& fileName, const std::string& newName) {
  const auto module = FindOpen(fileName);
  if (!module || (newName != fileName && FindOpen(newName))) return false;
  FireModule(module, kvx::ncBeforeSave);
  if (!WriteModule(module, newName)) return false;
  if (project_ == module->fileName) project_ = newName;
  module->fileName = newName;
  module->modified = false;
  if (newName != fileName) FireModule(module, kvx::ncModuleRenamed);
  FireModule(module, kvx::ncAfterSave);
  return true;
}

bool Workspace::WriteModule(const std::shared_ptr<ModuleState>& module, const std::string& target) {
  if (WriteWholeFile(target, module->text)) return true;
  Note("cannot write " + target);
  return false;
}

bool Workspace::Reload(const std::string& fileName) {
  const auto module = FindOpen(fileName);
  if (!module) return false;
  auto bytes = ReadWholeFile(module->fileName);
  if (!bytes) return false;
  module->text = std::move(*bytes);
  module->modified = false;
  module->undoSteps.clear();
  reloads_.push_back(fileName);
  Note("reloaded " + fileName);
  return true;
}

// ---------------------------------------------------------------- views

bool Workspace::SetCursor(const std::string& fileName, kvx::TEditPos place) {
  const auto module = FindOpen(fileName);
  if (!module || module->views.empty()) return false;
  module->views.front().cursor = place;
  return true;
}

bool Workspace::SetTop(const std::string& fileName, kvx::TEditPos place) {
  const auto module = FindOpen(fileName);
  if (!module || module->views.empty()) return false;
  module->views.front().top = place;
  return true;
}

bool Workspace::SetViewSize(const std::string& fileName, int columns, int lines) {
  const auto module = FindOpen(fileName);
  if (!module || module->views.empty()) return false;
  module->views.front().size = SIZE{columns, lines};
  return true;
}

bool Workspace::SetViewCount(const std::string& fileName, int count) {
  const auto module = FindOpen(fileName);
  if (!module || count < 0) return false;
  module->views.resize(static_cast<std::size_t>(count));
  return true;
}

// ---------------------------------------------------------------- queries

std::shared_ptr<ModuleState> Workspace::FindOpen(const std::string& fileName) const {
  for (const auto& module : open_) {
    if (module->fileName == fileName) return module;
  }
  return nullptr;
}

std::string Workspace::FrontFile() const { return front_.empty() ? std::string() : front_.back()->fileName; }

std::vector<std::string> Workspace::OpenFiles() const {
  std::vector<std::string> names;
  for (const auto& module : open_) names.push_back(module->fileName);
  return names;
}

bool Workspace::ShowSource(const std::shared_ptr<ModuleState>& module) {
  if (!module->open) return false;
  BringToFront(module);
  shownSources_.push_back(module->fileName);
  Note("ShowSource " + module->fileName);
  return true;
}

std::shared_ptr<ModuleState> Workspace::CreateModule(const std::string& fileName) {
  auto module = std::make_shared<ModuleState>();
  module->fileName = fileName;
  if (auto bytes = ReadWholeFile(fileName)) module->text = std::move(*bytes);
  open_.push_back(module);
  BringToFront(module);
  return module;
}

void Workspace::BringToFront(const std::shared_ptr<ModuleState>& module) {
  Erase(front_, module);
  front_.push_back(module);
}

// ---------------------------------------------------------------- notifiers

bool Workspace::AddAddInNotifier(kvx::TIAddInNotifier* notifier) {
  if (notifier == nullptr || Contains(addInNotifiers_, notifier)) return false;
  addInNotifiers_.push_back(notifier);
  return true;
}

bool Workspace::RemoveAddInNotifier(kvx::TIAddInNotifier* notifier) {
  return Erase(addInNotifiers_, notifier);
}

bool Workspace::AddModuleNotifier(const std::shared_ptr<ModuleState>& module,
                                  kvx::TIModuleNotifier* notifier) {
  if (notifier == nullptr || !module->open || Contains(module->notifiers, notifier)) return false;
  module->notifiers.push_back(notifier);
  return true;
}

bool Workspace::RemoveModuleNotifier(const std::shared_ptr<ModuleState>& module,
                                     kvx::TIModuleNotifier* notifier) {
  if (!Erase(module->notifiers, notifier)) return false;
  if (!module->open && module->notifiers.empty()) Erase(closed_, module);
  return true;
}

void Workspace::ReleaseNotifiers() {
  std::vector<kvx::TInterface*> held(addInNotifiers_.begin(), addInNotifiers_.end());
  addInNotifiers_.clear();
  std::vector<std::shared_ptr<ModuleState>> modules = open_;
  modules.insert(modules.end(), closed_.begin(), closed_.end());
  closed_.clear();
  for (const auto& module : modules) {
    held.insert(held.end(), module->notifiers.begin(), module->notifiers.end());
    module->notifiers.clear();
  }
  for (kvx::TInterface* notifier : held) notifier->Release();
}

// A notifier removed while others are being notified is not called after its
// removal; one added meanwhile waits for the next notification.
bool Workspace::FireFile(kvx::TFileNotification code, const std::string& fileName) {
  Note(std::string(FileNotificationName(code)) + " " + fileName);
  bool cancel = false;
  const std::vector<kvx::TIAddInNotifier*> targets = addInNotifiers_;
  for (kvx::TIAddInNotifier* notifier : targets) {
    if (Contains(addInNotifiers_, notifier)) notifier->FileNotification(code, fileName, cancel);
  }
  return cancel;
}

void Workspace::FireModule(const std::shared_ptr<ModuleState>& module, kvx::TNotifyCode code) {
  const std::shared_ptr<ModuleState> keep = module;
  Note(std::string(ModuleNotificationName(code)) + " " + module->fileName);
  const std::vector<kvx::TIModuleNotifier*> targets = module->notifiers;
  for (kvx::TIModuleNotifier* notifier : targets) {
    if (Contains(keep->notifiers, notifier)) notifier->Notify(code);
  }
}

void Workspace::Note(const std::string& line) const {
  if (log_) log_(line);
}

}  // namespace simide
