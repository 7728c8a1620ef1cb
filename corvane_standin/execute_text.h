// Decoding of the execute texts Corvane accepts: a macro run, a global set-up
// and a global reset. The whole data length counts: prefix and suffix (with
// the final NUL) are taken from the two ends, so nothing inside a command can
// end it early.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvx::standin {

enum class ExecuteKind { RunMacro, SetupGlobal, ResetGlobal };
enum class GlobalKind { Integer, String };

struct ExecuteText {
  ExecuteKind kind = ExecuteKind::RunMacro;
  // RunMacro: the command with its doubled backslashes made single again.
  // SetupGlobal, ResetGlobal: the global's name as sent.
  std::string body;
  GlobalKind globalKind = GlobalKind::Integer;  // SetupGlobal only
};

struct ParsedExecute {
  std::optional<ExecuteText> text;
  std::string error;  // why text is empty
};

ParsedExecute ParseExecuteText(std::string_view bytes);

// Makes every doubled backslash single; nullopt when a backslash stands alone.
std::optional<std::string> UndoubleBackslashes(std::string_view escaped);

}  // namespace kvx::standin
