// The control commands by which a test or the demo plays the editor's user.
// Text form (one execute of the control service; a final NUL is dropped):
//   edit <path>\n<text>                 replace the text, save to the shadow file
//   stamp <path> <seconds>              shadow file's time := now + seconds
//   cursor <path> <line> <column> <top> move cursor and top line
//   reload <path>                       reload the text from the file itself
//   activate <path>                     make the file the active one
//   quit                                end the stand-in
// <path> runs to the end of its line (or up to the trailing numbers), so it
// may contain blanks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvane_standin/editor_model.h"
#include "corvane_standin/macro_command.h"
#include "corvane_standin/outcome.h"

namespace kvx::standin {

enum class ControlKind { Edit, Stamp, Cursor, Reload, Activate, Quit };

struct ControlCommand {
  ControlKind kind = ControlKind::Quit;
  std::string path;
  std::string text;              // Edit
  std::int64_t seconds = 0;      // Stamp
  CursorPlace place;             // Cursor
  bool operator==(const ControlCommand&) const = default;
};

struct ParsedControl {
  std::optional<ControlCommand> command;
  std::string error;
};

ParsedControl ParseControlCommand(std::string_view bytes);
std::string FormatControlCommand(const ControlCommand& command);

// Carries out every command but Quit (which the server loop handles).
Outcome ApplyControlCommand(EditorModel& model, const ControlCommand& command);

}  // namespace kvx::standin
