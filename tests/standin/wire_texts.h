// The execute texts a client sends, built independently of the stand-in's
// own decoder so the tests check it against the wire format itself.
#pragma once

#include <string>

namespace standintest {

// "[RUNMACRO(" DQ command-with-backslashes-doubled DQ ")]" NUL
inline std::string Macro(const std::string& command) {
  std::string text = "[RUNMACRO(\"";
  for (const char c : command) {
    if (c == '\\') text += '\\';
    text += c;
  }
  text += "\")]";
  text += '\0';
  return text;
}

}  // namespace standintest
