// Line endings of text coming back from Corvane, the view arithmetic, and the
// overwrite question.
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "sync/pull_text.h"

namespace {

TEST(Normalise, DropsOneCtrlZAndEndsTheTextWithALineBreak) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"abc", "abc\r\n"},
      {"x", "x\r\n"},
      {"xy", "xy\r\n"},
      {"a\rb", "a\rb"},  // second-last byte CR: kept as it is
      {"a\r", "a\r"},
      {"\r", "\r"},
      {"\n", "\n"},
      {"ab\n", "ab\n"},
      {"ab\r\n", "ab\r\n"},
      {"ab\r\n\x1a", "ab\r\n"},
      {"abc\x1a", "abc\r\n"},
      {"\x1a", ""},
      {"", ""},
      {"\x1a\x1a", "\x1a\r\n"},  // only one Ctrl-Z goes
      {"\rb", "\rb\r\n"},        // two bytes: the CR rule needs three
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    EXPECT_EQ(kvx::NormaliseShadowText(c.in), c.out);
  }
}

TEST(FlagWord, OnlyBit16WithoutBit0MeansReloadedFromDisk) {
  const std::pair<int32_t, bool> cases[] = {
      {65536, true},  {65537, false}, {1, false},           {0, false},
      {0x30000, true}, {0x10002, true}, {-1, false}, {static_cast<int32_t>(0xFFFFFFFEu), true},
  };
  for (const auto& [flags, reloaded] : cases) {
    SCOPED_TRACE(flags);
    EXPECT_EQ(kvx::ReloadedFromDisk(flags), reloaded);
  }
}

TEST(TopPosition, FollowsTheCursorByTheViewSize) {
  struct Case {
    int16_t col;
    int32_t line;
    int32_t top;
    int32_t width;
    int32_t height;
    int16_t topCol;
    int32_t topLine;
  };
  const Case cases[] = {
      {1, 200, 150, 80, 30, 1, 185},   // more than a screen below: centred
      {1, 170, 150, 80, 30, 1, 150},   // within the screen
      {1, 180, 150, 80, 30, 1, 150},   // exactly one screen: stays
      {1, 181, 150, 80, 30, 1, 166},
      {1, 200, 150, 80, 31, 1, 185},   // odd height: half truncated
      {1, 10, 150, 80, 30, 1, 150},    // above the top: no test made
      {90, 5, 1, 80, 30, 12, 1},
      {79, 5, 1, 80, 30, 1, 1},
      {80, 5, 1, 80, 30, 2, 1},
      {-5, 5, 1, 80, 30, 1, 1},         // column taken as signed
      {32767, 5, 1, -10, 30, -32757, 1},  // computed in 16 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.col << "," << c.line << " top " << c.top << " view "
                                    << c.width << "x" << c.height);
    SIZE size{c.width, c.height};
    const kvx::TEditPos top = kvx::TopPosition(kvx::TEditPos{c.col, c.line}, c.top, size);
    // Copied out: the Delphi 3 position is packed.
    const int16_t col = top.Col;
    const int32_t line = top.Line;
    EXPECT_EQ(col, c.topCol);
    EXPECT_EQ(line, c.topLine);
  }
}

TEST(OverwriteQuestion, IsTheSevenPiecesInOrder) {
  const std::string expected =
      "The original version of /src/UNIT1.PAS has been loaded into Corvane, possibly due to a "
      "VCS operation. However, the IDE buffer appears to have been modified.  If the IDE "
      "reloads the file, changes you have made may be lost.  If it does not reload the file, "
      "changes made in Corvane may be lost.  If you wish, you may make a backup copy of the "
      "original file before proceeding\r\n\r\nDo you wish to reload the file and overwrite your "
      "changes?";
  EXPECT_EQ(kvx::OverwriteQuestion("/src/UNIT1.PAS"), expected);
  EXPECT_STREQ(kvx::OverwriteCaption, "WARNING: Overwrite Verification Needed!");
}

}  // namespace
