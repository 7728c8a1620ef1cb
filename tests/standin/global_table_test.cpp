#include "corvane_standin/global_table.h"

#include <string>

#include <gtest/gtest.h>

namespace kvx::standin {
namespace {

using namespace std::string_literals;

TEST(GlobalTable, AnswersIntegersAsFourLittleEndianBytesAndTextsWithOneNul) {
  GlobalTable table;
  const std::pair<std::int32_t, std::string> integers[] = {
      {0, "\0\0\0\0"s},
      {42, "\x2A\0\0\0"s},
      {257, "\x01\x01\0\0"s},
      {0x10000, "\0\0\x01\0"s},
      {-1, "\xFF\xFF\xFF\xFF"s},
      {INT32_MIN, "\0\0\0\x80"s},
  };
  for (const auto& [value, bytes] : integers) {
    table.SetInteger("!N", value);
    EXPECT_EQ(table.Answer("!N"), bytes) << value;
  }
  table.SetString("!S", "/src/a.pas");
  EXPECT_EQ(table.Answer("!S"), "/src/a.pas\0"s);
  table.SetString("!S", "");
  EXPECT_EQ(table.Answer("!S"), "\0"s);
  EXPECT_EQ(table.Answer("!UNKNOWN"), std::nullopt);
}

TEST(GlobalTable, SetupKeepsAValueACommandSetAndResetRemovesIt) {
  GlobalTable table;
  table.Setup("!L", GlobalKind::Integer);
  EXPECT_EQ(table.Answer("!L"), "\0\0\0\0"s);
  table.SetInteger("!L", 7);
  table.Setup("!L", GlobalKind::Integer);
  EXPECT_EQ(table.Answer("!L"), "\x07\0\0\0"s);
  table.Reset("!L");
  EXPECT_EQ(table.Answer("!L"), std::nullopt);
  table.Reset("!L");  // resetting an unknown global is harmless

  table.Setup("!S", GlobalKind::String);
  EXPECT_EQ(table.Answer("!S"), "\0"s);
  // Set up as the other kind: the value is converted.
  table.SetInteger("!X", 12);
  table.Setup("!X", GlobalKind::String);
  EXPECT_EQ(table.Answer("!X"), "12\0"s);
  table.Setup("!X", GlobalKind::Integer);
  EXPECT_EQ(table.Answer("!X"), "\x0C\0\0\0"s);
}

TEST(GlobalTable, NamesMatchIgnoringAsciiCaseLikeDdeItems) {
  GlobalTable table;
  table.SetInteger("!RemCurPos_L", 3);
  EXPECT_EQ(table.Answer("!REMCURPOS_L"), "\x03\0\0\0"s);
  table.Reset("!remcurpos_l");
  EXPECT_EQ(table.Find("!RemCurPos_L"), nullptr);
}

}  // namespace
}  // namespace kvx::standin
