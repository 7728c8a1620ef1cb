// The hotkey's jump to Corvane: bringing it forward and pushing, or starting
// it and waiting for it.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "corvane_standin/control_client.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/activation.h"
#include "tests/support/test_environment.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;
using Strings = std::vector<std::string>;

class Activation : public SyncTest {
 protected:
  void Prepare(const synctest::Settings& settings) {
    StartExpert(settings);
    unit_ = MakeSource("unit1.pas", "text\r\n");
    record_ = Open(unit_);
  }
  std::string unit_;
  kvx::KvxModuleNotifier* record_ = nullptr;
};

TEST_F(Activation, ARunningCorvaneIsActivatedAroundThePushOnOneConversation) {
  Prepare({});
  StartCorvane();
  kvx::ActivateEditor();
  const Strings exchanges = Exchanges();
  ASSERT_GE(exchanges.size(), 4u);
  EXPECT_EQ(exchanges.front(), "connect");
  EXPECT_EQ(exchanges[1], kvx::CmdActivate);
  EXPECT_EQ(exchanges[exchanges.size() - 2], kvx::CmdActivate);
  EXPECT_EQ(exchanges.back(), "disconnect");
  EXPECT_EQ(std::count(exchanges.begin(), exchanges.end(), "connect"), 1);
  EXPECT_TRUE(record_->Announced);
  EXPECT_TRUE(kvx::PushDone);
  EXPECT_EQ(kvx::OpenConversations, 0);
  EXPECT_EQ(corvane->State().activations, 2u);
}

TEST_F(Activation, WhileDebuggingOnlyABeep) {
  Prepare({});
  StartCorvane();
  ide.StartDebugging();
  const unsigned beeps = WinsubBeepCount();
  kvx::ActivateEditor();
  EXPECT_EQ(WinsubBeepCount(), beeps + 1);
  EXPECT_TRUE(Exchanges().empty());
}

TEST_F(Activation, NothingWhileAConversationIsOpenOrWhenShuttingDown) {
  Prepare({});
  StartCorvane();
  HCONV held = kvx::OpenEditorConversation();
  ASSERT_NE(held, nullptr);
  kvx::ActivateEditor();
  kvx::CloseEditorConversation(held);
  kvx::ShuttingDown = true;
  kvx::ActivateEditor();
  kvx::ShuttingDown = false;
  EXPECT_EQ(Exchanges(), (Strings{"connect", "disconnect"}));
}

TEST_F(Activation, TheLaunchLineAddsTheQuotedSessionOnlyWhenTrackingProjects) {
  Prepare({.trackProjects = false, .launchCommand = "/opt/corvane/bin/corvane -x"});
  ASSERT_TRUE(ide.OpenProject(MakeSource("proj.dpr", "program proj;")));
  EXPECT_EQ(kvx::EditorLaunchLine(), "/opt/corvane/bin/corvane -x");
  kvx::TrackProjects = true;
  EXPECT_EQ(kvx::EditorLaunchLine(),
            std::string("/opt/corvane/bin/corvane -x \"-SN") + kvx::SessionPrefix + "proj\"");
}

TEST_F(Activation, AStartedCorvaneIsWaitedForAndPushedTo) {
  for (const bool track : {false, true}) {
    SCOPED_TRACE(track);
    const std::string control = track ? "ControlTracked" : "ControlPlain";
    const std::string command = std::string(CORVANE_PROGRAM) + " --control " + control;
    if (kvx::ToolServices == nullptr) {
      Prepare({.trackProjects = track, .launchCommand = command});
      ASSERT_TRUE(ide.OpenProject(MakeSource("proj.dpr", "program proj;")));
      ASSERT_TRUE(ide.SelectFile(unit_));
    }
    kvx::TrackProjects = track;
    kvx::LaunchCommand = command;
    kvx::SessionProject.clear();
    record_->Modified = true;
    kvx::ActivateEditor();
    EXPECT_TRUE(kvx::PushDone);
    EXPECT_EQ(kvx::OpenConversations, 0);

    kvx::standin::CorvaneControlClient client(control);
    ASSERT_TRUE(client.WaitForService(std::chrono::seconds(5)));
    const auto state = client.State();
    ASSERT_TRUE(state.has_value());
    ASSERT_NE(state->FindFile(unit_), nullptr);
    EXPECT_EQ(state->FindFile(unit_)->text, "text\r\n");
    // Started in the project's session when tracking; no activation sent.
    EXPECT_EQ(state->session, track ? std::string(kvx::SessionPrefix) + "proj" : "");
    EXPECT_EQ(state->activations, 0u);
    client.Quit();
    // Wait until that one has gone before starting the next.
    for (int i = 0; i < 200; ++i) {
      HCONV still = kvx::OpenEditorConversation();
      if (still == nullptr) break;
      kvx::CloseEditorConversation(still);
      usleep(10000);
    }
  }
}

TEST_F(Activation, AFailedLaunchDoesNothing) {
  Prepare({.trackProjects = false, .launchCommand = ""});
  const auto start = std::chrono::steady_clock::now();
  kvx::ActivateEditor();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(record_->ShadowName.empty());
  EXPECT_FALSE(kvx::PushDone);
}

TEST_F(Activation, ACorvaneThatNeverAnswersIsGivenUpAfterTenSeconds) {
  Prepare({.trackProjects = false, .launchCommand = "/bin/true"});
  std::atomic<bool> done{false};
  std::thread clock([&done] {
    // Ten seconds pass on the tick count while the expert waits.
    for (int i = 0; i < 500 && !done; ++i) {
      usleep(10000);
      if (i == 20) WinsubAdvanceTickCount(10001);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  kvx::ActivateEditor();
  done = true;
  clock.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_TRUE(record_->ShadowName.empty());
  EXPECT_EQ(kvx::OpenConversations, 0);
}

TEST_F(Activation, TheIdeShowsTheFileActiveInCorvane) {
  Prepare({});
  const std::string other = MakeSource("other.pas", "x");
  Open(other);
  ASSERT_TRUE(ide.SelectFile(other));
  kvx::EditorActiveFile = unit_;
  kvx::ShowEditorActiveFile();
  EXPECT_EQ(ide.FrontFile(), unit_);
  EXPECT_EQ(ide.ShownSources().back(), unit_);
}

}  // namespace
