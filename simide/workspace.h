// The IDE's documents: the project, the open modules with their editor
// buffers, views and undo history, and the notifiers that follow them. Every
// user action on a document lives here and fires the notifications the IDE
// fires for it.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/toolintf.h"

namespace simide {

struct ViewState {
  kvx::TEditPos cursor{1, 1};
  kvx::TEditPos top{1, 1};
  SIZE size{80, 25};
};

// One module of the IDE. It outlives its closing while handed-out objects
// still point at it; they then find it closed.
struct ModuleState {
  std::string fileName;
  std::string text;
  bool modified = false;
  bool open = true;
  std::vector<std::string> undoSteps;  // text before each undoable step
  std::vector<ViewState> views{ViewState{}};
  std::vector<kvx::TIModuleNotifier*> notifiers;  // one reference each, held by the host
};

class Workspace {
 public:
  using Log = std::function<void(const std::string&)>;

  Workspace() = default;
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  void SetLog(Log log) { log_ = std::move(log); }
  void SetNotifyOnWriterEdits(bool on) { notifyOnWriterEdits_ = on; }

  // ---- user actions (names are used as given; the caller makes them absolute)
  bool OpenProject(const std::string& projectFile);
  bool CloseProject();
  bool OpenFile(const std::string& fileName);
  bool AddFile(const std::string& fileName);
  bool CloseFile(const std::string& fileName);
  bool SelectFile(const std::string& fileName);
  bool InsertText(const std::string& fileName, std::size_t offset, const std::string& text);
  bool ReplaceText(const std::string& fileName, std::size_t offset, std::size_t count,
                   const std::string& text);
  // Types at the cursor of the front editor's first view; the cursor follows.
  bool TypeText(const std::string& text);
  bool SaveFile(const std::string& fileName);
  bool SaveFileAs(const std::string& fileName, const std::string& newName);
  bool Undo(const std::string& fileName);
  bool SetCursor(const std::string& fileName, kvx::TEditPos place);
  bool SetTop(const std::string& fileName, kvx::TEditPos place);
  bool SetViewSize(const std::string& fileName, int columns, int lines);
  bool SetViewCount(const std::string& fileName, int count);

  // ---- what the tools interface asks
  std::shared_ptr<ModuleState> FindOpen(const std::string& fileName) const;
  std::string ProjectName() const { return project_; }
  std::string FrontFile() const;
  std::vector<std::string> OpenFiles() const;
  bool Reload(const std::string& fileName);
  bool ShowSource(const std::shared_ptr<ModuleState>& module);
  bool Save(const std::shared_ptr<ModuleState>& module);
  // A writer's edits on release: the whole new text.
  void ApplyWriterEdit(const std::shared_ptr<ModuleState>& module, std::string newText,
                       bool undoable);

  // ---- notifiers (the host keeps the reference it is handed)
  bool AddAddInNotifier(kvx::TIAddInNotifier* notifier);
  bool RemoveAddInNotifier(kvx::TIAddInNotifier* notifier);
  bool AddModuleNotifier(const std::shared_ptr<ModuleState>& module, kvx::TIModuleNotifier* notifier);
  bool RemoveModuleNotifier(const std::shared_ptr<ModuleState>& module,
                            kvx::TIModuleNotifier* notifier);
  std::size_t AddInNotifierCount() const { return addInNotifiers_.size(); }
  // Releases every notifier still registered (at shutdown).
  void ReleaseNotifiers();

  // ---- records
  const std::vector<std::string>& ShownSources() const { return shownSources_; }
  const std::vector<std::string>& Reloads() const { return reloads_; }

 private:
  std::shared_ptr<ModuleState> CreateModule(const std::string& fileName);
  void BringToFront(const std::shared_ptr<ModuleState>& module);
  bool FireFile(kvx::TFileNotification code, const std::string& fileName);  // true: cancelled
  void FireModule(const std::shared_ptr<ModuleState>& module, kvx::TNotifyCode code);
  bool UserEdit(const std::shared_ptr<ModuleState>& module, std::string newText);
  bool WriteModule(const std::shared_ptr<ModuleState>& module, const std::string& target);
  void Note(const std::string& line) const;

  Log log_;
  bool notifyOnWriterEdits_ = true;
  std::string project_;
  std::vector<std::shared_ptr<ModuleState>> open_;     // in opening order
  std::vector<std::shared_ptr<ModuleState>> front_;    // most recently fronted last
  std::vector<std::shared_ptr<ModuleState>> closed_;   // closed, still holding notifiers
  std::vector<kvx::TIAddInNotifier*> addInNotifiers_;
  std::vector<std::string> shownSources_;
  std::vector<std::string> reloads_;
};

// Whole-file helpers (binary).
std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace simide
