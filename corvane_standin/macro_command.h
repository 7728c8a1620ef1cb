// The macro commands Corvane carries out, decoded from the command text of a
// macro run (backslashes already undoubled).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kvx::standin {

struct CursorPlace {
  std::int32_t line = 1;
  std::int32_t column = 1;
  std::int32_t top = 1;
  bool operator==(const CursorPlace&) const = default;
};

struct ReloadFileCommand {
  bool makeActive = false;
  std::optional<CursorPlace> place;  // absent when the sender has no view
  std::string file;
  std::string shadow;
  bool operator==(const ReloadFileCommand&) const = default;
};
struct RemoveFileCommand {
  std::string file;
  bool operator==(const RemoveFileCommand&) const = default;
};
struct SessionCommand {
  std::string name;
  std::string directory;
  bool operator==(const SessionCommand&) const = default;
};
struct ActivateCommand {
  bool operator==(const ActivateCommand&) const = default;
};
struct GetActiveFileCommand {
  bool operator==(const GetActiveFileCommand&) const = default;
};
struct GetFileInfoCommand {
  std::string file;
  bool operator==(const GetFileInfoCommand&) const = default;
};

using MacroCommand = std::variant<ReloadFileCommand, RemoveFileCommand, SessionCommand,
                                  ActivateCommand, GetActiveFileCommand, GetFileInfoCommand>;

struct ParsedMacro {
  std::optional<MacroCommand> command;
  std::string error;  // why command is empty
};

// Tells whether a path names an existing file; decides where the file path of
// a reload command ends and its shadow path begins when "/V=" occurs more
// than once.
using FileExists = std::function<bool(const std::string&)>;

ParsedMacro ParseMacroCommand(std::string_view text, const FileExists& fileExists);

}  // namespace kvx::standin
