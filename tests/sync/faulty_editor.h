// Host objects that fail on request, wrapped around the simulated IDE's: an
// editor without reader or writer, or whose writers refuse to insert.
#pragma once

#include <string>

#include "contracts/toolintf.h"

namespace synctest {

struct EditorFaults {
  bool noReader = false;
  bool noWriter = false;
  bool insertFails = false;
  bool deleteFails = false;
};

class FaultyWriter final : public kvx::TIEditWriter {
 public:
  FaultyWriter(kvx::TIEditWriter* inner, const EditorFaults& faults) : inner_(inner), faults_(faults) {}
  bool CopyTo(int Pos) override { return inner_->CopyTo(Pos); }
  bool DeleteTo(int Pos) override { return !faults_.deleteFails && inner_->DeleteTo(Pos); }
  bool Insert(const char* Text) override { return !faults_.insertFails && inner_->Insert(Text); }
  int Position() override { return inner_->Position(); }

 private:
  ~FaultyWriter() override { inner_->Release(); }
  kvx::TIEditWriter* inner_;
  const EditorFaults& faults_;
};

class FaultyEditor final : public kvx::TIEditorInterface {
 public:
  FaultyEditor(kvx::TIEditorInterface* inner, const EditorFaults& faults) : inner_(inner), faults_(faults) {}
  std::string FileName() override { return inner_->FileName(); }
  int GetViewCount() override { return inner_->GetViewCount(); }
  kvx::TIEditView* GetView(int Index) override { return inner_->GetView(Index); }
  bool BufferModified() override { return inner_->BufferModified(); }
  kvx::TIEditReader* CreateReader() override {
    return faults_.noReader ? nullptr : inner_->CreateReader();
  }
  kvx::TIEditWriter* CreateWriter() override { return Wrap(inner_->CreateWriter()); }
  kvx::TIEditWriter* CreateUndoableWriter() override { return Wrap(inner_->CreateUndoableWriter()); }

 private:
  ~FaultyEditor() override { inner_->Release(); }
  kvx::TIEditWriter* Wrap(kvx::TIEditWriter* writer) {
    if (writer == nullptr) return nullptr;
    if (faults_.noWriter) {
      writer->Release();
      return nullptr;
    }
    return new FaultyWriter(writer, faults_);
  }
  kvx::TIEditorInterface* inner_;
  const EditorFaults& faults_;
};

// Takes over the reference to `inner`.
class FaultyModule final : public kvx::TIModuleInterface {
 public:
  FaultyModule(kvx::TIModuleInterface* inner, const EditorFaults& faults) : inner_(inner), faults_(faults) {}
  kvx::TIEditorInterface* GetEditorInterface() override {
    kvx::TIEditorInterface* editor = inner_->GetEditorInterface();
    return editor == nullptr ? nullptr : new FaultyEditor(editor, faults_);
  }
  bool AddNotifier(kvx::TIModuleNotifier* n) override { return inner_->AddNotifier(n); }
  bool RemoveNotifier(kvx::TIModuleNotifier* n) override { return inner_->RemoveNotifier(n); }
  bool Save(bool ForceSave) override { return inner_->Save(ForceSave); }
  bool ShowSource() override { return inner_->ShowSource(); }

 private:
  ~FaultyModule() override { inner_->Release(); }
  kvx::TIModuleInterface* inner_;
  const EditorFaults& faults_;
};

}  // namespace synctest
