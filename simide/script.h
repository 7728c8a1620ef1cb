// The line-oriented command language of the simide program (see README.md):
// each line names one action of the simulated IDE or one check.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "simide/sim_ide.h"

namespace simide {

// Splits a command line into words. A word in double quotes may hold blanks
// and the escapes \" \\ \r \n \t \0 \xHH; a bare word is taken as written.
// Returns false (with the reason) on an unterminated quote or a bad escape.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// Bytes made readable: CR, LF, tab, backslash and other control bytes escaped.
std::string Escaped(const std::string& bytes);

class ScriptRunner {
 public:
  enum class Outcome { Ok, Failed, Quit };

  ScriptRunner(SimIde& ide, std::ostream& out, std::ostream& err);

  // The library "load" takes without an argument.
  void SetDefaultExpert(std::string path) { defaultExpert_ = std::move(path); }

  Outcome RunLine(const std::string& line, int lineNumber);
  // Runs every line. A script stops at the first failure (exit code 1); an
  // interactive session reports it and goes on. Returns the exit code.
  int Run(std::istream& in, bool interactive);

 private:
  Outcome Execute(const std::vector<std::string>& words, const std::string& line);
  Outcome Fail(const std::string& message);
  Outcome Check(bool ok, const std::string& what);
  bool Offset(const std::string& file, const std::string& place, std::size_t& offset);
  Outcome Show(const std::vector<std::string>& words);
  Outcome Expect(const std::vector<std::string>& words);

  SimIde& ide_;
  std::ostream& out_;
  std::ostream& err_;
  std::string defaultExpert_;
  int lineNumber_ = 0;
};

}  // namespace simide
