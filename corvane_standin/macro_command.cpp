#include "corvane_standin/macro_command.h"

#include <charconv>
#include <limits>
#include <vector>

#include "contracts/corvane_commands.h"

namespace kvx::standin {

namespace {

ParsedMacro Fail(std::string why) { return {std::nullopt, std::move(why)}; }

// Removes prefix from the front of text; false when text does not start with it.
bool Consume(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// A decimal number (optional minus sign) that fits 32 bits, running up to the
// next occurrence of terminator, which is consumed as well.
std::optional<std::int32_t> NumberUpTo(std::string_view& text, std::string_view terminator) {
  const std::size_t end = text.find(terminator);
  if (end == std::string_view::npos || end == 0) return std::nullopt;
  const std::string_view digits = text.substr(0, end);
  std::int64_t value = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  text.remove_prefix(end + terminator.size());
  return static_cast<std::int32_t>(value);
}

// "<file>/V=<shadow>": both paths may hold "/V=" themselves. The first split
// whose shadow part names an existing file wins; otherwise the last one.
ParsedMacro SplitFileAndShadow(ReloadFileCommand command, std::string_view rest,
                               const FileExists& fileExists) {
  const std::string_view marker = CmdReloadShadowPart;
  std::vector<std::size_t> splits;
  for (std::size_t at = rest.find(marker); at != std::string_view::npos;
       at = rest.find(marker, at + 1))
    splits.push_back(at);
  if (splits.empty()) return Fail("reload command without shadow path");
  std::size_t chosen = splits.back();
  if (fileExists) {
    for (const std::size_t at : splits) {
      if (fileExists(std::string(rest.substr(at + marker.size())))) {
        chosen = at;
        break;
      }
    }
  }
  command.file = std::string(rest.substr(0, chosen));
  command.shadow = std::string(rest.substr(chosen + marker.size()));
  if (command.file.empty()) return Fail("reload command with empty file path");
  if (command.shadow.empty()) return Fail("reload command with empty shadow path");
  return {MacroCommand(std::move(command)), {}};
}

ParsedMacro ParseReload(std::string_view rest, const FileExists& fileExists) {
  ReloadFileCommand command;
  if (rest.empty() || (rest.front() != '0' && rest.front() != '1'))
    return Fail("reload command flag is not 0 or 1");
  command.makeActive = rest.front() == '1';
  rest.remove_prefix(1);
  if (Consume(rest, CmdReloadLinePart)) {
    CursorPlace place;
    const auto line = NumberUpTo(rest, CmdReloadColumnPart);
    const auto column = line ? NumberUpTo(rest, CmdReloadTopPart) : std::nullopt;
    const auto top = column ? NumberUpTo(rest, CmdReloadFilePart) : std::nullopt;
    if (!top) return Fail("malformed position in reload command");
    place.line = *line;
    place.column = *column;
    place.top = *top;
    command.place = place;
  } else if (!Consume(rest, CmdReloadFilePart)) {
    return Fail("reload command without file path");
  }
  return SplitFileAndShadow(std::move(command), rest, fileExists);
}

ParsedMacro ParseFileArgument(std::string_view rest, bool isInfo) {
  if (rest.empty()) return Fail("command with empty file path");
  if (isInfo) return {MacroCommand(GetFileInfoCommand{std::string(rest)}), {}};
  return {MacroCommand(RemoveFileCommand{std::string(rest)}), {}};
}

ParsedMacro ParseSession(std::string_view rest) {
  // A session name carries no directory, so the first "/DIR=" ends it.
  const std::size_t at = rest.find(CmdSessionDirPart);
  if (at == std::string_view::npos) return Fail("session command without directory");
  SessionCommand command{std::string(rest.substr(0, at)),
                         std::string(rest.substr(at + std::string_view(CmdSessionDirPart).size()))};
  if (command.name.empty()) return Fail("session command with empty name");
  return {MacroCommand(std::move(command)), {}};
}

}  // namespace

ParsedMacro ParseMacroCommand(std::string_view text, const FileExists& fileExists) {
  std::string_view rest = text;
  if (Consume(rest, CmdReloadFileEx)) return ParseReload(rest, fileExists);
  if (Consume(rest, CmdRemoveFile)) return ParseFileArgument(rest, false);
  if (Consume(rest, CmdGetFileInfo)) return ParseFileArgument(rest, true);
  if (Consume(rest, CmdSession)) return ParseSession(rest);
  if (text == CmdActivate) return {MacroCommand(ActivateCommand{}), {}};
  if (text == CmdGetActiveFile) return {MacroCommand(GetActiveFileCommand{}), {}};
  return Fail("unknown macro command");
}

}  // namespace kvx::standin
