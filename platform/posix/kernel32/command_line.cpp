// Windows command-line splitting (see command_line.h).
#include "platform/posix/kernel32/command_line.h"

namespace winsub {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

SplitCommandLine SplitWindowsCommandLine(const std::string& line) {
  SplitCommandLine split;
  std::size_t at = 0;
  while (at < line.size() && IsBlank(line[at])) ++at;
  if (at == line.size()) return split;

  if (line[at] == '"') {
    const std::size_t close = line.find('"', at + 1);
    const std::size_t end = close == std::string::npos ? line.size() : close;
    split.program = line.substr(at + 1, end - at - 1);
    at = close == std::string::npos ? line.size() : close + 1;
    // Text glued to the closing quote is no argument of its own (the C runtime
    // counts it into argv[0]); the program stays the quoted text.
    while (at < line.size() && !IsBlank(line[at])) ++at;
  } else {
    const std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    split.program = line.substr(start, at - start);
  }
  split.arguments.push_back(split.program);

  std::string current;
  bool inArgument = false;  // "" makes an (empty) argument too
  bool quoted = false;
  while (at < line.size()) {
    const char c = line[at];
    if (IsBlank(c) && !quoted) {
      if (inArgument) split.arguments.push_back(current);
      current.clear();
      inArgument = false;
      ++at;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      std::size_t backslashes = 0;
      while (at < line.size() && line[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < line.size() && line[at] == '"') {
        current.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          current += '"';
        } else {
          quoted = !quoted;
        }
        ++at;
      } else {
        current.append(backslashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
    } else {
      current += c;
    }
    ++at;
  }
  if (inArgument) split.arguments.push_back(current);
  return split;
}

}  // namespace winsub
