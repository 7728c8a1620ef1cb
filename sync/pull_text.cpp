#include "sync/pull_text.h"

#include <cstdint>

#include "contracts/corvane_commands.h"

namespace kvx {

namespace {

constexpr char CtrlZ = 26;
constexpr char CR = 13;
constexpr char LF = 10;

}  // namespace

std::string NormaliseShadowText(std::string Text) {
  if (Text.empty()) return Text;
  if (Text.back() == CtrlZ) Text.pop_back();
  if (Text.empty()) return Text;
  const char last = Text.back();
  const std::size_t n = Text.size();
  const bool endsInBreak = last == LF || last == CR || (n >= 3 && Text[n - 2] == CR);
  if (!endsInBreak) Text += "\r\n";
  return Text;
}

bool ReloadedFromDisk(int32_t Flags) {
  return (Flags & ReloadedFromDiskMask) == ReloadedFromDiskValue;
}

TEditPos TopPosition(TEditPos Cursor, int32_t TopLine, SIZE Size) {
  TEditPos top{};
  top.Col = 1;
  top.Line = TopLine;
  const int64_t line = Cursor.Line;
  const int64_t height = Size.cy;
  if (line - TopLine > height) top.Line = static_cast<int32_t>(line - height / 2);
  const int64_t column = Cursor.Col;
  const int64_t width = Size.cx;
  if (column - 1 >= width - 1) top.Col = static_cast<int16_t>(column - width + 2);
  return top;
}

std::string OverwriteQuestion(const std::string& FileName) {
  return std::string("The original version of ") + FileName +
         " has been loaded into Corvane, possibly due to a VCS operation. "
         "However, the IDE buffer appears to have been modified.  If the IDE reloads the "
         "file, changes you have made "
         "may be lost.  If it does not reload the file, changes made in Corvane may be "
         "lost.  If you wish, you "
         "may make a backup copy of the original file before proceeding\r\n\r\n"
         "Do you wish to reload the file and overwrite your changes?";
}

}  // namespace kvx
