#include "simide/editor_objects.h"

#include <algorithm>
#include <cstring>

namespace simide {

// ---------------------------------------------------------------- editor

EditorObject::EditorObject(ObjectRegistry& registry, Workspace& workspace,
                           std::shared_ptr<ModuleState> module)
    : HostObject(registry, ObjectKind::Editor),
      registry_(registry),
      workspace_(workspace),
      module_(std::move(module)) {}

std::string EditorObject::FileName() { return module_ ? module_->fileName : std::string(); }

int EditorObject::GetViewCount() { return Usable() ? static_cast<int>(module_->views.size()) : 0; }

kvx::TIEditView* EditorObject::GetView(int Index) {
  if (!Usable() || Index < 0 || static_cast<std::size_t>(Index) >= module_->views.size()) {
    return nullptr;
  }
  return registry_.Adopt(
      std::make_unique<ViewObject>(registry_, module_, static_cast<std::size_t>(Index)));
}

bool EditorObject::BufferModified() { return Usable() && module_->modified; }

kvx::TIEditReader* EditorObject::CreateReader() {
  if (!Usable()) return nullptr;
  return registry_.Adopt(std::make_unique<ReaderObject>(registry_, module_));
}

kvx::TIEditWriter* EditorObject::CreateWriter() {
  if (!Usable()) return nullptr;
  return registry_.Adopt(std::make_unique<WriterObject>(registry_, workspace_, module_, false));
}

kvx::TIEditWriter* EditorObject::CreateUndoableWriter() {
  if (!Usable()) return nullptr;
  return registry_.Adopt(std::make_unique<WriterObject>(registry_, workspace_, module_, true));
}

// ---------------------------------------------------------------- view

ViewObject::ViewObject(ObjectRegistry& registry, std::shared_ptr<ModuleState> module,
                       std::size_t index)
    : HostObject(registry, ObjectKind::View), module_(std::move(module)), index_(index) {}

ViewState* ViewObject::State() {
  if (!module_ || !module_->open || index_ >= module_->views.size()) return nullptr;
  return &module_->views[index_];
}

kvx::TEditPos ViewObject::GetPos(int Index) {
  const ViewState* state = State();
  if (state == nullptr) return kvx::TEditPos{0, 0};
  if (Index == 0) return state->cursor;
  if (Index == 1) return state->top;
  return kvx::TEditPos{0, 0};
}

void ViewObject::SetPos(int Index, kvx::TEditPos Value) {
  ViewState* state = State();
  if (state == nullptr) return;
  if (Index == 0) state->cursor = Value;
  if (Index == 1) state->top = Value;
}

SIZE ViewObject::GetViewSize() {
  const ViewState* state = State();
  return state != nullptr ? state->size : SIZE{0, 0};
}

// ---------------------------------------------------------------- reader

ReaderObject::ReaderObject(ObjectRegistry& registry, std::shared_ptr<ModuleState> module)
    : HostObject(registry, ObjectKind::Reader), module_(std::move(module)) {}

int ReaderObject::GetText(int Position, char* Buffer, int Count) {
  if (!module_ || !module_->open || Buffer == nullptr || Position < 0 || Count <= 0) return 0;
  const std::string& text = module_->text;
  const auto start = static_cast<std::size_t>(Position);
  if (start >= text.size()) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(Count), text.size() - start);
  std::memcpy(Buffer, text.data() + start, n);
  return static_cast<int>(n);
}

// ---------------------------------------------------------------- writer

WriterObject::WriterObject(ObjectRegistry& registry, Workspace& workspace,
                           std::shared_ptr<ModuleState> module, bool undoable)
    : HostObject(registry, ObjectKind::Writer),
      workspace_(workspace),
      module_(std::move(module)),
      undoable_(undoable),
      source_(module_->text) {}

bool WriterObject::Reachable(int pos) const {
  return module_ && pos >= 0 && static_cast<std::size_t>(pos) >= place_ &&
         static_cast<std::size_t>(pos) <= source_.size();
}

bool WriterObject::CopyTo(int Pos) {
  if (!Reachable(Pos)) return false;
  const auto target = static_cast<std::size_t>(Pos);
  result_.append(source_, place_, target - place_);
  place_ = target;
  return true;
}

bool WriterObject::DeleteTo(int Pos) {
  if (!Reachable(Pos)) return false;
  place_ = static_cast<std::size_t>(Pos);
  return true;
}

bool WriterObject::Insert(const char* Text) {
  if (!module_ || Text == nullptr) return false;
  result_ += Text;
  return true;
}

int WriterObject::Position() { return static_cast<int>(place_); }

void WriterObject::OnLastRelease() {
  result_.append(source_, place_, std::string::npos);
  const std::shared_ptr<ModuleState> module = std::move(module_);
  workspace_.ApplyWriterEdit(module, std::move(result_), undoable_);
  source_.clear();
  result_.clear();
}

}  // namespace simide
