#include "corvane_standin/execute_text.h"

#include "contracts/corvane_commands.h"

namespace kvx::standin {

namespace {

// Suffix with the one terminating NUL every execute text ends in.
std::string Terminated(std::string_view suffix) {
  std::string text(suffix);
  text.push_back('\0');
  return text;
}

// The bytes between prefix and suffix when bytes starts and ends with them
// without the two overlapping.
std::optional<std::string_view> Between(std::string_view bytes, std::string_view prefix,
                                        std::string_view suffix) {
  if (bytes.size() < prefix.size() + suffix.size()) return std::nullopt;
  if (!bytes.starts_with(prefix) || !bytes.ends_with(suffix)) return std::nullopt;
  return bytes.substr(prefix.size(), bytes.size() - prefix.size() - suffix.size());
}

ParsedExecute Fail(std::string why) { return {std::nullopt, std::move(why)}; }

ParsedExecute GlobalText(ExecuteKind kind, std::string_view name, GlobalKind globalKind) {
  if (name.empty()) return Fail("empty global name");
  if (name.find('\0') != std::string_view::npos) return Fail("NUL inside global name");
  return {ExecuteText{kind, std::string(name), globalKind}, {}};
}

}  // namespace

std::optional<std::string> UndoubleBackslashes(std::string_view escaped) {
  std::string plain;
  plain.reserve(escaped.size());
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c == '\\') {
      if (i + 1 >= escaped.size() || escaped[i + 1] != '\\') return std::nullopt;
      ++i;
    }
    plain.push_back(c);
  }
  return plain;
}

ParsedExecute ParseExecuteText(std::string_view bytes) {
  if (bytes.empty()) return Fail("empty execute data");
  if (bytes.back() != '\0') return Fail("execute data does not end in NUL");

  static const std::string macroSuffix = Terminated(MacroRunSuffix);
  static const std::string intSuffix = Terminated(SetupIntGlobalSuffix);
  static const std::string stringSuffix = Terminated(SetupStringGlobalSuffix);
  static const std::string resetSuffix = Terminated(ResetGlobalSuffix);

  if (bytes.starts_with(MacroRunPrefix)) {
    const auto escaped = Between(bytes, MacroRunPrefix, macroSuffix);
    if (!escaped) return Fail("malformed macro run text");
    if (escaped->find('\0') != std::string_view::npos) return Fail("NUL inside macro command");
    auto command = UndoubleBackslashes(*escaped);
    if (!command) return Fail("lone backslash in macro command");
    return {ExecuteText{ExecuteKind::RunMacro, std::move(*command), GlobalKind::Integer}, {}};
  }
  if (bytes.starts_with(SetupGlobalPrefix)) {
    if (const auto name = Between(bytes, SetupGlobalPrefix, intSuffix))
      return GlobalText(ExecuteKind::SetupGlobal, *name, GlobalKind::Integer);
    if (const auto name = Between(bytes, SetupGlobalPrefix, stringSuffix))
      return GlobalText(ExecuteKind::SetupGlobal, *name, GlobalKind::String);
    return Fail("malformed global set-up text");
  }
  if (bytes.starts_with(ResetGlobalPrefix)) {
    if (const auto name = Between(bytes, ResetGlobalPrefix, resetSuffix))
      return GlobalText(ExecuteKind::ResetGlobal, *name, GlobalKind::Integer);
    return Fail("malformed global reset text");
  }
  return Fail("unknown execute text");
}

}  // namespace kvx::standin
