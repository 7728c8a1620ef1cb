#include "corvane_standin/editor_model.h"

#include <algorithm>

#include "contracts/corvane_commands.h"
#include "corvane_standin/file_access.h"

namespace kvx::standin {

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};

}  // namespace

Outcome EditorModel::Execute(std::string_view bytes) {
  const ParsedExecute parsed = ParseExecuteText(bytes);
  if (!parsed.text) return Outcome::Refused(parsed.error);
  const ExecuteText& text = *parsed.text;
  switch (text.kind) {
    case ExecuteKind::SetupGlobal:
      globals_.Setup(text.body, text.globalKind);
      return Outcome::Done();
    case ExecuteKind::ResetGlobal:
      globals_.Reset(text.body);
      return Outcome::Done();
    case ExecuteKind::RunMacro:
      break;
  }
  const ParsedMacro macro = ParseMacroCommand(text.body, IsRegularFile);
  if (!macro.command) return Outcome::Refused(macro.error);
  return Run(*macro.command);
}

Outcome EditorModel::Run(const MacroCommand& command) {
  return std::visit(
      Overloaded{
          [this](const ReloadFileCommand& c) { return Reload(c); },
          [this](const RemoveFileCommand& c) { return Remove(c); },
          [this](const SessionCommand& c) { return Switch(c); },
          [this](const ActivateCommand&) {
            ++activations_;
            return Outcome::Done();
          },
          [this](const GetActiveFileCommand&) { return ReportActiveFile(); },
          [this](const GetFileInfoCommand& c) { return ReportFileInfo(c); },
      },
      command);
}

FileState* EditorModel::Find(const std::string& path) {
  const auto it = std::find_if(files_.begin(), files_.end(),
                               [&](const FileState& file) { return file.path == path; });
  return it == files_.end() ? nullptr : &*it;
}

Outcome EditorModel::Reload(const ReloadFileCommand& command) {
  auto text = ReadWholeFile(command.shadow);
  if (!text) return Outcome::Refused("cannot read shadow file " + command.shadow);
  FileState* file = Find(command.file);
  if (file == nullptr) {
    files_.push_back(FileState{command.file, {}, {}, 1, 1, 1, false});
    file = &files_.back();
  }
  file->shadow = command.shadow;
  file->text = std::move(*text);
  if (command.place) {
    file->line = command.place->line;
    file->column = command.place->column;
    file->top = command.place->top;
  }
  file->reloadedFromDisk = false;
  if (command.makeActive) activeFile_ = command.file;
  return Outcome::Done();
}

Outcome EditorModel::Remove(const RemoveFileCommand& command) {
  std::erase_if(files_, [&](const FileState& file) { return file.path == command.file; });
  if (activeFile_ == command.file) activeFile_.clear();
  return Outcome::Done();
}

Outcome EditorModel::Switch(const SessionCommand& command) {
  if (command.name != session_) {
    files_.clear();
    activeFile_.clear();
  }
  session_ = command.name;
  sessionDirectory_ = command.directory;
  return Outcome::Done();
}

Outcome EditorModel::ReportActiveFile() {
  globals_.SetString(GlobalActiveFile, activeFile_);
  return Outcome::Done();
}

Outcome EditorModel::ReportFileInfo(const GetFileInfoCommand& command) {
  const FileState* file = Find(command.file);
  const bool held = file != nullptr;
  globals_.SetInteger(GlobalCurPosFlags, held && file->reloadedFromDisk ? ReloadedFromDiskValue : 0);
  globals_.SetInteger(GlobalCurPosLine, held ? file->line : 0);
  globals_.SetInteger(GlobalCurPosColumn, held ? file->column : 0);
  globals_.SetInteger(GlobalCurPosTop, held ? file->top : 0);
  return Outcome::Done();
}

Outcome EditorModel::EditAndSave(const std::string& path, const std::string& text) {
  FileState* file = Find(path);
  if (file == nullptr) return Outcome::Refused("file not held: " + path);
  if (!RewriteFileInPlace(file->shadow, text))
    return Outcome::Refused("cannot write shadow file " + file->shadow);
  file->text = text;
  return Outcome::Done();
}

Outcome EditorModel::StampShadow(const std::string& path, std::int64_t offsetSeconds) {
  FileState* file = Find(path);
  if (file == nullptr) return Outcome::Refused("file not held: " + path);
  if (!StampFile(file->shadow, offsetSeconds))
    return Outcome::Refused("cannot set time of shadow file " + file->shadow);
  return Outcome::Done();
}

Outcome EditorModel::MoveCursor(const std::string& path, CursorPlace place) {
  FileState* file = Find(path);
  if (file == nullptr) return Outcome::Refused("file not held: " + path);
  file->line = place.line;
  file->column = place.column;
  file->top = place.top;
  return Outcome::Done();
}

Outcome EditorModel::ReloadFromDisk(const std::string& path) {
  FileState* file = Find(path);
  if (file == nullptr) return Outcome::Refused("file not held: " + path);
  auto text = ReadWholeFile(path);
  if (!text) return Outcome::Refused("cannot read " + path);
  file->text = std::move(*text);
  file->reloadedFromDisk = true;
  return Outcome::Done();
}

Outcome EditorModel::MakeActive(const std::string& path) {
  if (Find(path) == nullptr) return Outcome::Refused("file not held: " + path);
  activeFile_ = path;
  return Outcome::Done();
}

void EditorModel::StartSession(const std::string& name, const std::string& directory) {
  Switch(SessionCommand{name, directory});
}

EditorState EditorModel::State() const {
  EditorState state;
  state.session = session_;
  state.sessionDirectory = sessionDirectory_;
  state.activeFile = activeFile_;
  state.activations = activations_;
  state.files = files_;
  for (auto& [name, value] : globals_.All()) state.globals.push_back(GlobalState{name, value});
  return state;
}

}  // namespace kvx::standin
