// Inside libwinsub only: how a Windows command line falls apart into the
// program to start and the argument vector the program's C runtime builds.
#pragma once

#include <string>
#include <vector>

namespace winsub {

struct SplitCommandLine {
  std::string program;              // empty when the line holds none
  std::vector<std::string> arguments;  // arguments[0] is the program as written
};

// The program: when the line starts with '"', the text up to the next '"';
// else the first blank-delimited token. The arguments after it split as the
// Microsoft C runtime splits them: blanks separate, '"' groups, 2n
// backslashes before a '"' give n backslashes and toggle the grouping, 2n+1
// give n backslashes and a literal '"', other backslashes are literal.
SplitCommandLine SplitWindowsCommandLine(const std::string& line);

}  // namespace winsub
