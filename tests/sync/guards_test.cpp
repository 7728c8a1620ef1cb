// The guards that keep a push or pull sweep from starting, each on its own,
// and what a held-off sweep leaves behind.
#include <string>

#include <gtest/gtest.h>

#include "editorlink/kvxdde.h"
#include "shell/globals.h"
#include "sync/pull.h"
#include "sync/push.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;

enum class Guard { Pushing, Pulling, Debugging, ShuttingDown, ConversationOpen, NoPushDone };

const char* NameOf(Guard guard) {
  switch (guard) {
    case Guard::Pushing: return "pushing";
    case Guard::Pulling: return "pulling";
    case Guard::Debugging: return "debugging";
    case Guard::ShuttingDown: return "shutting down";
    case Guard::ConversationOpen: return "conversation open";
    case Guard::NoPushDone: return "no complete push";
  }
  return "";
}

class Guards : public SyncTest {
 protected:
  void SetUp() override {
    StartCorvane();
    StartExpert();
    unit_ = MakeSource("unit1.pas", "text\r\n");
    record_ = Open(unit_);
    ASSERT_NE(record_, nullptr);
  }
  // Sets the guard up; the conversation held stays open until Lift.
  void Raise(Guard guard) {
    switch (guard) {
      case Guard::Pushing: kvx::Pushing = true; break;
      case Guard::Pulling: kvx::Pulling = true; break;
      case Guard::Debugging: ide.StartDebugging(); break;
      case Guard::ShuttingDown: kvx::ShuttingDown = true; break;
      case Guard::ConversationOpen: held_ = kvx::OpenEditorConversation(); ASSERT_NE(held_, nullptr); break;
      case Guard::NoPushDone: kvx::PushDone = false; break;
    }
  }
  void Lift() {
    kvx::Pushing = false;
    kvx::Pulling = false;
    kvx::ShuttingDown = false;
    ide.StopDebugging();
    if (held_ != nullptr) kvx::CloseEditorConversation(held_);
    held_ = nullptr;
  }
  std::string unit_;
  kvx::KvxModuleNotifier* record_ = nullptr;
  HCONV held_ = nullptr;
};

TEST_F(Guards, EachOneHoldsOffThePush) {
  // Only the lack of a conversation of its own tells a later pull not to run.
  const std::pair<Guard, bool> cases[] = {
      {Guard::Pushing, true},      {Guard::Pulling, true},
      {Guard::Debugging, true},    {Guard::ShuttingDown, true},
      {Guard::ConversationOpen, false},
  };
  for (const auto& [guard, pushDoneAfter] : cases) {
    SCOPED_TRACE(NameOf(guard));
    kvx::PushDone = true;
    Raise(guard);
    const std::size_t before = TranscriptSize();
    kvx::PushToEditor(nullptr);
    EXPECT_EQ(CommandsSince(before).size(), 0u);
    EXPECT_EQ(kvx::PushDone, pushDoneAfter);
    Lift();
    EXPECT_TRUE(record_->Modified);
    EXPECT_TRUE(record_->ShadowName.empty());
  }
  kvx::PushToEditor(nullptr);
  EXPECT_FALSE(record_->Modified);
  EXPECT_TRUE(kvx::PushDone);
}

TEST_F(Guards, EachOneHoldsOffThePull) {
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(kvx::PushDone);
  ASSERT_TRUE(corvane->Edit(unit_, "edited\r\n"));
  const Guard cases[] = {Guard::Pushing,          Guard::Debugging,   Guard::NoPushDone,
                         Guard::Pulling,          Guard::ConversationOpen, Guard::ShuttingDown};
  for (const Guard guard : cases) {
    SCOPED_TRACE(NameOf(guard));
    kvx::EditorActiveFile = "untouched";
    Raise(guard);
    const std::size_t before = TranscriptSize();
    kvx::PullFromEditor();
    EXPECT_EQ(TranscriptSize(), before);
    Lift();
    kvx::PushDone = true;
    EXPECT_EQ(*ide.BufferText(unit_), "text\r\n");
    EXPECT_EQ(kvx::EditorActiveFile, "untouched");
  }
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "edited\r\n");
  EXPECT_NE(kvx::EditorActiveFile, "untouched");
}

}  // namespace
