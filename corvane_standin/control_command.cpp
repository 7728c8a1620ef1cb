#include "corvane_standin/control_command.h"

#include <charconv>
#include <vector>

#include "corvane_standin/decimal_number.h"

namespace kvx::standin {

namespace {

ParsedControl Fail(std::string why) { return {std::nullopt, std::move(why)}; }

// Splits "<path> <w1> ... <wn>" taking the n words from the end.
std::optional<std::string_view> PathBeforeWords(std::string_view text, std::size_t count,
                                                std::vector<std::string_view>& words) {
  words.assign(count, {});
  for (std::size_t i = count; i-- > 0;) {
    const std::size_t space = text.rfind(' ');
    if (space == std::string_view::npos) return std::nullopt;
    words[i] = text.substr(space + 1);
    text = text.substr(0, space);
  }
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

ParsedControl ParseControlCommand(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  const std::size_t lineEnd = bytes.find('\n');
  const std::string_view line = bytes.substr(0, lineEnd);
  const std::size_t space = line.find(' ');
  const std::string_view verb = line.substr(0, space);
  const std::string_view rest =
      space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  ControlCommand command;

  if (verb == "edit") {
    if (lineEnd == std::string_view::npos) return Fail("edit without text line");
    if (rest.empty()) return Fail("edit without path");
    command.kind = ControlKind::Edit;
    command.path = std::string(rest);
    command.text = std::string(bytes.substr(lineEnd + 1));
    return {command, {}};
  }
  if (lineEnd != std::string_view::npos) return Fail("unexpected line break");
  if (line.find('\0') != std::string_view::npos) return Fail("NUL inside command");
  if (verb == "quit" && space == std::string_view::npos) {
    command.kind = ControlKind::Quit;
    return {command, {}};
  }
  if (verb == "reload" || verb == "activate") {
    if (rest.empty()) return Fail("command without path");
    command.kind = verb == "reload" ? ControlKind::Reload : ControlKind::Activate;
    command.path = std::string(rest);
    return {command, {}};
  }
  std::vector<std::string_view> words;
  if (verb == "stamp") {
    const auto path = PathBeforeWords(rest, 1, words);
    const auto seconds = path ? ToNumber<std::int64_t>(words[0]) : std::nullopt;
    if (!seconds) return Fail("stamp wants <path> <seconds>");
    command.kind = ControlKind::Stamp;
    command.path = std::string(*path);
    command.seconds = *seconds;
    return {command, {}};
  }
  if (verb == "cursor") {
    const auto path = PathBeforeWords(rest, 3, words);
    const auto line32 = path ? ToNumber<std::int32_t>(words[0]) : std::nullopt;
    const auto column = path ? ToNumber<std::int32_t>(words[1]) : std::nullopt;
    const auto top = path ? ToNumber<std::int32_t>(words[2]) : std::nullopt;
    if (!line32 || !column || !top) return Fail("cursor wants <path> <line> <column> <top>");
    command.kind = ControlKind::Cursor;
    command.path = std::string(*path);
    command.place = CursorPlace{*line32, *column, *top};
    return {command, {}};
  }
  return Fail("unknown control command");
}

std::string FormatControlCommand(const ControlCommand& command) {
  switch (command.kind) {
    case ControlKind::Edit:
      return "edit " + command.path + "\n" + command.text;
    case ControlKind::Stamp:
      return "stamp " + command.path + " " + std::to_string(command.seconds);
    case ControlKind::Cursor:
      return "cursor " + command.path + " " + std::to_string(command.place.line) + " " +
             std::to_string(command.place.column) + " " + std::to_string(command.place.top);
    case ControlKind::Reload:
      return "reload " + command.path;
    case ControlKind::Activate:
      return "activate " + command.path;
    case ControlKind::Quit:
      break;
  }
  return "quit";
}

Outcome ApplyControlCommand(EditorModel& model, const ControlCommand& command) {
  switch (command.kind) {
    case ControlKind::Edit:
      return model.EditAndSave(command.path, command.text);
    case ControlKind::Stamp:
      return model.StampShadow(command.path, command.seconds);
    case ControlKind::Cursor:
      return model.MoveCursor(command.path, command.place);
    case ControlKind::Reload:
      return model.ReloadFromDisk(command.path);
    case ControlKind::Activate:
      return model.MakeActive(command.path);
    case ControlKind::Quit:
      break;
  }
  return Outcome::Refused("quit is handled by the server loop");
}

}  // namespace kvx::standin
