#include "corvane_standin/control_command.h"

#include <string>

#include <gtest/gtest.h>

namespace kvx::standin {
namespace {

using namespace std::string_literals;

TEST(ControlCommand, FormatsAndParsesEveryCommand) {
  const ControlCommand commands[] = {
      {ControlKind::Edit, "/p/a b.pas", "line 1\r\nline 2\n\0tail"s, 0, {}},
      {ControlKind::Edit, "/p/x", "", 0, {}},
      {ControlKind::Stamp, "/p/a b.pas", {}, -3600, {}},
      {ControlKind::Cursor, "/p/with 1 2 3", {}, 0, CursorPlace{10, 2, 4}},
      {ControlKind::Reload, "/p/a b.pas", {}, 0, {}},
      {ControlKind::Activate, "/p/a.pas", {}, 0, {}},
      {ControlKind::Quit, {}, {}, 0, {}},
  };
  for (const ControlCommand& command : commands) {
    const std::string text = FormatControlCommand(command);
    SCOPED_TRACE(text);
    // With and without the NUL a DDE execute adds.
    for (const std::string& bytes : {text, text + '\0'}) {
      const ParsedControl parsed = ParseControlCommand(bytes);
      ASSERT_TRUE(parsed.command) << parsed.error;
      EXPECT_EQ(*parsed.command, command);
    }
  }
}

TEST(ControlCommand, RefusesMalformedCommands) {
  const std::string cases[] = {
      "", "quit now", "edit /p", "edit \ntext", "reload", "reload ", "activate",
      "cursor /p 1 2", "cursor /p 1 2 x", "cursor 1 2 3", "stamp /p", "stamp /p 1.5",
      "reload /p\nextra", "jump /p",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    const ParsedControl parsed = ParseControlCommand(text);
    EXPECT_FALSE(parsed.command);
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
}  // namespace kvx::standin
