#include "corvane_standin/execute_text.h"

#include <string>

#include <gtest/gtest.h>

namespace kvx::standin {
namespace {

using namespace std::string_literals;

struct GoodText {
  std::string bytes;
  ExecuteKind kind;
  std::string body;
  GlobalKind globalKind;
};

TEST(ExecuteText, DecodesEachKindFromTheWholeData) {
  const GoodText cases[] = {
      {"[RUNMACRO(\"Remote^RemActivate\")]\0"s, ExecuteKind::RunMacro, "Remote^RemActivate",
       GlobalKind::Integer},
      {"[RUNMACRO(\"\")]\0"s, ExecuteKind::RunMacro, "", GlobalKind::Integer},
      // Doubled backslashes come back single, also at the end and in runs.
      {"[RUNMACRO(\"x /F=C:\\\\a\\\\b\")]\0"s, ExecuteKind::RunMacro, "x /F=C:\\a\\b",
       GlobalKind::Integer},
      {"[RUNMACRO(\"end\\\\\")]\0"s, ExecuteKind::RunMacro, "end\\", GlobalKind::Integer},
      {"[RUNMACRO(\"\\\\\\\\\\\\\")]\0"s, ExecuteKind::RunMacro, "\\\\\\", GlobalKind::Integer},
      // A path holding the suffix cannot end the command early.
      {"[RUNMACRO(\"R /F=/a\")]/b\")]\0"s, ExecuteKind::RunMacro, "R /F=/a\")]/b",
       GlobalKind::Integer},
      {"[RUNMACRO(\"q\"uote\")]\0"s, ExecuteKind::RunMacro, "q\"uote", GlobalKind::Integer},
      {"[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s, ExecuteKind::SetupGlobal, "!REMCURPOS_L",
       GlobalKind::Integer},
      {"[SETUPGLOBAL(\"!REMACTIVEFILE\",\"0\")]\0"s, ExecuteKind::SetupGlobal, "!REMACTIVEFILE",
       GlobalKind::String},
      {"[RESETGLOBAL(\"!REMCURPOS_L\"\")]\0"s, ExecuteKind::ResetGlobal, "!REMCURPOS_L",
       GlobalKind::Integer},
      // Global names are never escaped: a backslash stays as it is.
      {"[RESETGLOBAL(\"a\\b\"\")]\0"s, ExecuteKind::ResetGlobal, "a\\b", GlobalKind::Integer},
  };
  for (const GoodText& c : cases) {
    SCOPED_TRACE(c.bytes);
    const ParsedExecute parsed = ParseExecuteText(c.bytes);
    ASSERT_TRUE(parsed.text) << parsed.error;
    EXPECT_EQ(parsed.text->kind, c.kind);
    EXPECT_EQ(parsed.text->body, c.body);
    if (c.kind == ExecuteKind::SetupGlobal) {
      EXPECT_EQ(parsed.text->globalKind, c.globalKind);
    }
  }
}

TEST(ExecuteText, TheLinksFixedLengthsDecode) {
  // 33 bytes for the activation, 34 for an integer set-up of a 12-letter
  // name, 31 for its reset.
  const std::string activate = "[RUNMACRO(\"Remote^RemActivate\")]\0"s;
  const std::string setup = "[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s;
  const std::string reset = "[RESETGLOBAL(\"!REMCURPOS_L\"\")]\0"s;
  EXPECT_EQ(activate.size(), 33u);
  EXPECT_EQ(setup.size(), 34u);
  EXPECT_EQ(reset.size(), 31u);
  EXPECT_TRUE(ParseExecuteText(activate).text);
  EXPECT_TRUE(ParseExecuteText(setup).text);
  EXPECT_TRUE(ParseExecuteText(reset).text);
}

TEST(ExecuteText, RefusesMalformedTextsWithAReason) {
  const std::string cases[] = {
      ""s,
      "\0"s,
      "[RUNMACRO(\"Remote^RemActivate\")]"s,          // no final NUL
      "[RUNMACRO(\"Remote^RemActivate\")]\0\0"s,      // a second NUL
      "[RUNMACRO(\"Remote^RemActivate\")] \0"s,       // byte after the suffix
      "[RUNMACRO(\"Remote^RemActivate)]\0"s,          // no closing quote
      "[RUNMACRO(\"\")\0"s,                           // suffix cut
      "[RUNMACRO(\")]\0"s,                            // prefix and suffix overlap
      "[RUNMACRO(\"a\\b\")]\0"s,                      // lone backslash
      "[RUNMACRO(\"a\\\\\\b\")]\0"s,                  // odd run of three
      "[RUNMACRO(\"tail\\\")]\0"s,                    // lone backslash at the end
      "[RUNMACRO(\"a\0b\")]\0"s,                      // NUL inside the command
      "[runmacro(\"Remote^RemActivate\")]\0"s,        // prefix is case-sensitive
      "[SETUPGLOBAL(\"!X\",\"2\")]\0"s,               // kind neither 1 nor 0
      "[SETUPGLOBAL(\"\",\"1\")]\0"s,                 // empty name
      "[SETUPGLOBAL(\"!X\")]\0"s,
      "[RESETGLOBAL(\"!X\")]\0"s,                     // one quote instead of two
      "[RESETGLOBAL(\"\"\")]\0"s,                     // empty name
      "[EXECUTE(\"x\")]\0"s,
      "garbage"s,
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    const ParsedExecute parsed = ParseExecuteText(bytes);
    EXPECT_FALSE(parsed.text);
    EXPECT_FALSE(parsed.error.empty());
  }
}

TEST(ExecuteText, UndoublingRejectsEveryLoneBackslash) {
  EXPECT_EQ(UndoubleBackslashes(""), "");
  EXPECT_EQ(UndoubleBackslashes("\\\\"), "\\");
  EXPECT_EQ(UndoubleBackslashes("a\\\\\\\\b"), "a\\\\b");
  EXPECT_FALSE(UndoubleBackslashes("\\"));
  EXPECT_FALSE(UndoubleBackslashes("\\a"));
  EXPECT_FALSE(UndoubleBackslashes("\\\\\\"));
}

}  // namespace
}  // namespace kvx::standin
