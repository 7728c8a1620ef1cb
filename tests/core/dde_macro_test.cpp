#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "tests/core/standin_wait.h"

namespace {

using kvx::standin::Answer;
using kvx::standin::CorvaneStandin;
using kvx::standin::RecordKind;
using kvx::standin::TranscriptRecord;

using namespace std::string_literals;

std::vector<TranscriptRecord> Executes(const CorvaneStandin& corvane) {
  std::vector<TranscriptRecord> executes;
  for (const auto& record : corvane.Transcript()) {
    if (record.kind == RecordKind::Execute) executes.push_back(record);
  }
  return executes;
}

TEST(EscapeBackslashes, DoublesEveryBackslashAndNothingElse) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {R"(C:\work\notes.txt)", R"(C:\\work\\notes.txt)"},
      {R"(ends\)", R"(ends\\)"},
      {R"(\\server\\\share)", R"(\\\\server\\\\\\share)"},
      {R"(\)", R"(\\)"},
      {R"(say "\x")", R"(say "\\x")"},
      {"", ""},
      {"no backslash /at all/", "no backslash /at all/"},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    kvx::EscapeBackslashes(text);
    EXPECT_EQ(text, c.out) << c.in;
  }
}

TEST(RunEditorMacro, SendsTheWrappedCommandOverTheGivenConversation) {
  CorvaneStandin corvane;
  const HCONV conversation = kvx::OpenEditorConversation();
  ASSERT_NE(conversation, nullptr);
  kvx::RunEditorMacro(conversation, "Remote^RemActivate");
  EXPECT_EQ(kvx::OpenConversations, 1);

  const auto records = corvane.Transcript();
  ASSERT_EQ(records.size(), 2u);  // the test's own connect, then the execute
  EXPECT_EQ(records[1].kind, RecordKind::Execute);
  EXPECT_EQ(records[1].answer, Answer::Ack);
  EXPECT_EQ(records[1].conversation, records[0].conversation);
  EXPECT_EQ(records[1].data, "[RUNMACRO(\"Remote^RemActivate\")]\0"s);
  EXPECT_EQ(records[1].data.size(), 33u);
  kvx::CloseEditorConversation(conversation);
}

TEST(RunEditorMacro, EscapesOnTheWire) {
  CorvaneStandin corvane;
  const HCONV conversation = kvx::OpenEditorConversation();
  ASSERT_NE(conversation, nullptr);
  const std::string command = R"(Remote^RemRemoveFile /F=C:\a\b)";
  kvx::RunEditorMacro(conversation, command);
  EXPECT_EQ(command, R"(Remote^RemRemoveFile /F=C:\a\b)");  // the caller's text is untouched
  kvx::RunEditorMacro(conversation, R"(x /F=C:\dir\)");
  kvx::RunEditorMacro(conversation, "");
  kvx::RunEditorMacro(conversation, R"(q "C:\")");
  kvx::CloseEditorConversation(conversation);

  const auto executes = Executes(corvane);
  ASSERT_EQ(executes.size(), 4u);
  EXPECT_EQ(executes[0].data, "[RUNMACRO(\"Remote^RemRemoveFile /F=C:\\\\a\\\\b\")]\0"s);
  EXPECT_EQ(executes[1].data, "[RUNMACRO(\"x /F=C:\\\\dir\\\\\")]\0"s);
  EXPECT_EQ(executes[2].data, "[RUNMACRO(\"\")]\0"s);
  EXPECT_EQ(executes[2].data.size(), 15u);
  EXPECT_EQ(executes[3].data, "[RUNMACRO(\"q \"C:\\\\\"\")]\0"s);
}

TEST(RunEditorMacro, WithoutAConversationOpensOneForTheCommandOnly) {
  CorvaneStandin corvane;
  std::atomic<int> countDuringExecute{-1};
  corvane.SetTransactionHook([&](const TranscriptRecord& record) {
    // The client waits inside its transaction while this runs.
    if (record.kind == RecordKind::Execute) countDuringExecute = kvx::OpenConversations;
  });
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(countDuringExecute, 1);
  EXPECT_EQ(kvx::OpenConversations, 0);

  const auto records = coretest::TranscriptOfAtLeast(corvane, 3);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].kind, RecordKind::Connect);
  EXPECT_EQ(records[1].kind, RecordKind::Execute);
  EXPECT_EQ(records[1].data, "[RUNMACRO(\"Remote^RemActivate\")]\0"s);
  EXPECT_EQ(records[2].kind, RecordKind::Disconnect);
}

TEST(RunEditorMacro, DoesNotLookAtTheBusyCount) {
  CorvaneStandin corvane;
  kvx::OpenConversations = 3;  // someone else's exchange is under way
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(kvx::OpenConversations, 3);
  EXPECT_EQ(Executes(corvane).size(), 1u);
}

TEST(RunEditorMacro, WithoutCorvaneNothingIsSent) {
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(kvx::OpenConversations, 0);

  CorvaneStandin corvane;
  corvane.SetRefuseConnections(true);
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(kvx::OpenConversations, 0);
  EXPECT_TRUE(Executes(corvane).empty());
}

TEST(RunEditorMacro, ACommandThatCannotBeWrappedIsDropped) {
  CorvaneStandin corvane;
  WinsubInjectFault(WINSUB_FAULT_DDE_CREATE_DATA, 0, 1);
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  EXPECT_EQ(kvx::OpenConversations, 0);
  kvx::RunEditorMacro(nullptr, "Remote^RemActivate");
  const auto records = coretest::TranscriptOfAtLeast(corvane, 5);
  // First call: connect and disconnect only; second: the command.
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(Executes(corvane).size(), 1u);
  EXPECT_EQ(records[0].kind, RecordKind::Connect);
  EXPECT_EQ(records[1].kind, RecordKind::Disconnect);
}

}  // namespace
