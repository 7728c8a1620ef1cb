// What the stand-in editor holds and does: its files (each loaded from a
// shadow file), the active file, the session, the activation count and the
// globals. Commands from the link and the user's actions both act here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvane_standin/editor_state.h"
#include "corvane_standin/execute_text.h"
#include "corvane_standin/global_table.h"
#include "corvane_standin/macro_command.h"
#include "corvane_standin/outcome.h"

namespace kvx::standin {

class EditorModel {
 public:
  // One execute text as received (whole data, final NUL included).
  Outcome Execute(std::string_view bytes);
  Outcome Run(const MacroCommand& command);
  // Bytes answering a request for a global; nullopt for an unknown one.
  std::optional<std::string> Request(const std::string& name) const { return globals_.Answer(name); }

  // The user's side.
  Outcome EditAndSave(const std::string& path, const std::string& text);
  Outcome StampShadow(const std::string& path, std::int64_t offsetSeconds);
  Outcome MoveCursor(const std::string& path, CursorPlace place);
  Outcome ReloadFromDisk(const std::string& path);
  Outcome MakeActive(const std::string& path);
  void StartSession(const std::string& name, const std::string& directory);

  GlobalTable& Globals() { return globals_; }
  EditorState State() const;

 private:
  FileState* Find(const std::string& path);
  Outcome Reload(const ReloadFileCommand& command);
  Outcome Remove(const RemoveFileCommand& command);
  Outcome Switch(const SessionCommand& command);
  Outcome ReportActiveFile();
  Outcome ReportFileInfo(const GetFileInfoCommand& command);

  std::vector<FileState> files_;
  std::string activeFile_;
  std::string session_;
  std::string sessionDirectory_;
  std::uint32_t activations_ = 0;
  GlobalTable globals_;
};

}  // namespace kvx::standin
