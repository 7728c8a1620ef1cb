// The editor-side objects handed to the expert: editor, view, reader and the
// two kinds of writer. Each points at its module; once the module is closed
// they answer as an editor without text would.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "contracts/toolintf.h"
#include "simide/object_registry.h"
#include "simide/workspace.h"

namespace simide {

class EditorObject final : public HostObject<kvx::TIEditorInterface> {
 public:
  EditorObject(ObjectRegistry& registry, Workspace& workspace, std::shared_ptr<ModuleState> module);

  std::string FileName() override;
  int GetViewCount() override;
  kvx::TIEditView* GetView(int Index) override;
  bool BufferModified() override;
  kvx::TIEditReader* CreateReader() override;
  kvx::TIEditWriter* CreateWriter() override;
  kvx::TIEditWriter* CreateUndoableWriter() override;

 private:
  void OnLastRelease() override { module_.reset(); }
  bool Usable() const { return module_ && module_->open; }

  ObjectRegistry& registry_;
  Workspace& workspace_;
  std::shared_ptr<ModuleState> module_;
};

class ViewObject final : public HostObject<kvx::TIEditView> {
 public:
  ViewObject(ObjectRegistry& registry, std::shared_ptr<ModuleState> module, std::size_t index);

  kvx::TEditPos GetPos(int Index) override;
  void SetPos(int Index, kvx::TEditPos Value) override;
  SIZE GetViewSize() override;

 private:
  void OnLastRelease() override { module_.reset(); }
  ViewState* State();

  std::shared_ptr<ModuleState> module_;
  std::size_t index_;
};

class ReaderObject final : public HostObject<kvx::TIEditReader> {
 public:
  ReaderObject(ObjectRegistry& registry, std::shared_ptr<ModuleState> module);

  int GetText(int Position, char* Buffer, int Count) override;

 private:
  void OnLastRelease() override { module_.reset(); }

  std::shared_ptr<ModuleState> module_;
};

// Works on the text as it was when the writer was created: the place moves
// forward only; CopyTo keeps, DeleteTo drops and Insert adds text at it. The
// result replaces the buffer when the last reference goes.
class WriterObject final : public HostObject<kvx::TIEditWriter> {
 public:
  WriterObject(ObjectRegistry& registry, Workspace& workspace, std::shared_ptr<ModuleState> module,
               bool undoable);

  bool CopyTo(int Pos) override;
  bool DeleteTo(int Pos) override;
  bool Insert(const char* Text) override;
  int Position() override;

 private:
  void OnLastRelease() override;
  bool Reachable(int pos) const;

  Workspace& workspace_;
  std::shared_ptr<ModuleState> module_;
  bool undoable_;
  std::string source_;
  std::size_t place_ = 0;
  std::string result_;
};

}  // namespace simide
