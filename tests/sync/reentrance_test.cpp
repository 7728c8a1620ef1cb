// Window messages handled while a DDE transaction or a message box waits: the
// guards keep every nested push, pull and jump out of a running exchange.
#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/globals.h"
#include "sync/pull.h"
#include "sync/push.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;
using Strings = std::vector<std::string>;

class Reentrance : public SyncTest {
 protected:
  void SetUp() override {
    StartCorvane();
    StartExpert();
    unit_ = MakeSource("unit1.pas", "text\r\n");
    Open(unit_);
    thread_ = GetCurrentThreadId();
    parent_ = ide.ParentWindow();
  }

  // From Corvane's thread, in the middle of the first transaction whose
  // execute text holds `marker`: the IDE is switched away and back and the
  // hotkey's message arrives.
  void InterruptAt(const std::string& marker) {
    corvane->SetTransactionHook([this, marker](const kvx::standin::TranscriptRecord& record) {
      if (fired_ || record.data.find(marker) == std::string::npos) return;
      fired_ = true;
      PostMessageA(parent_, kvx::ActivateKvxMsg, 0, 0);
      WinsubActivateApp(thread_, FALSE, 0);
      WinsubActivateApp(thread_, TRUE, 0);
    });
  }

  int Connects() const {
    int count = 0;
    for (const std::string& exchange : Exchanges()) count += exchange == "connect" ? 1 : 0;
    return count;
  }

  std::string unit_;
  DWORD thread_ = 0;
  HWND parent_ = nullptr;
  std::atomic<bool> fired_{false};
};

TEST_F(Reentrance, APushHoldsOffASecondPushAPullAndTheHotkey) {
  InterruptAt(kvx::CmdReloadFileEx);
  const int activations = ide.CountMessages(parent_, WM_ACTIVATEAPP);
  const unsigned beeps = WinsubBeepCount();
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(fired_);
  // Both switches were handled inside the transaction.
  EXPECT_EQ(ide.CountMessages(parent_, WM_ACTIVATEAPP), activations + 2);
  EXPECT_EQ(CommandsSince(before).size(), 2u);  // the push's own remove and reload
  EXPECT_EQ(Connects(), 2);  // tracking's remove command, then the push
  EXPECT_EQ(WinsubBeepCount(), beeps);
  EXPECT_FALSE(kvx::Pushing);
  EXPECT_FALSE(kvx::Pulling);
  ide.PumpUntilIdle();
}

TEST_F(Reentrance, APullHoldsOffAPushASecondPullAndTheHotkey) {
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(corvane->Edit(unit_, "edited\r\n"));
  InterruptAt(kvx::CmdGetActiveFile);
  const int activations = ide.CountMessages(parent_, WM_ACTIVATEAPP);
  const std::size_t before = TranscriptSize();
  kvx::PullFromEditor();
  ASSERT_TRUE(fired_);
  EXPECT_EQ(ide.CountMessages(parent_, WM_ACTIVATEAPP), activations + 2);
  for (const std::string& command : CommandsSince(before)) {
    EXPECT_FALSE(command.starts_with(kvx::CmdReloadFileEx)) << command;
  }
  int actives = 0;
  for (const std::string& command : CommandsSince(before)) actives += command == kvx::CmdGetActiveFile;
  EXPECT_EQ(actives, 1);
  EXPECT_EQ(*ide.BufferText(unit_), "edited\r\n");
  EXPECT_FALSE(kvx::Pulling);
  EXPECT_TRUE(kvx::PushDone);  // the held-off push did not start at all
  ide.PumpUntilIdle();
}

struct BoxPlay {
  HWND parent;
  int calls = 0;
  int activationsSeen = -1;
  simide::SimIde* ide;
};

int RespondLater(void* context, HWND, const char*, const char*, UINT) {
  auto* play = static_cast<BoxPlay*>(context);
  if (++play->calls == 1) {
    // The user switches away and presses the hotkey while the box is up.
    PostMessageA(play->parent, WM_ACTIVATEAPP, FALSE, 0);
    PostMessageA(play->parent, kvx::ActivateKvxMsg, 0, 0);
    return 0;
  }
  if (play->activationsSeen < 0) play->activationsSeen = play->ide->CountMessages(play->parent, WM_ACTIVATEAPP);
  return IDNO;
}

TEST_F(Reentrance, TheOverwriteQuestionHoldsOffThePushAndTheHotkey) {
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(ide.InsertText(unit_, 0, "ide "));
  ASSERT_TRUE(corvane->ReloadFromDisk(unit_));
  BoxPlay play{parent_, 0, -1, &ide};
  WinsubSetMessageBoxResponder(&RespondLater, &play);
  const int activations = ide.CountMessages(parent_, WM_ACTIVATEAPP);
  const std::size_t before = TranscriptSize();
  const int connects = Connects();
  kvx::PullFromEditor();
  WinsubSetMessageBoxResponder(nullptr, nullptr);
  ASSERT_GE(play.calls, 2);
  EXPECT_EQ(play.activationsSeen, activations + 1);  // handled while the box was up
  for (const std::string& command : CommandsSince(before)) {
    EXPECT_FALSE(command.starts_with(kvx::CmdReloadFileEx)) << command;
    EXPECT_NE(command, kvx::CmdActivate);
  }
  EXPECT_EQ(Connects(), connects + 1);
  EXPECT_EQ(*ide.BufferText(unit_), "ide text\r\n");  // answered No
  EXPECT_TRUE(kvx::PushDone);
}

}  // namespace
