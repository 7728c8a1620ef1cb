#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/expert.h"
#include "shell/globals.h"
#include "shell/main_window_hook.h"
#include "tests/core/expert_fixture.h"
#include "tests/support/test_environment.h"

namespace {

constexpr UINT OtherMessage = WM_USER + 5;
constexpr LRESULT OtherMessageResult = 77;

// Stands in for the IDE's own procedure of the parent window: records what
// reaches it, and keeps the window when asked to close.
std::vector<std::pair<UINT, WPARAM>>& PassedOn() {
  static std::vector<std::pair<UINT, WPARAM>> seen;
  return seen;
}

LRESULT CALLBACK IdeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PassedOn().emplace_back(message, wParam);
  if (message == OtherMessage) return OtherMessageResult;
  if (message == WM_SYSCOMMAND || message == WM_DESTROY) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

class MainWindowProc : public coretest::ExpertTest {
 protected:
  void SetUp() override {
    const std::string directory = kvxtest::MakeScratchSubdirectory("ide");
    source_ = directory + "/unit1.pas";
    kvxtest::WriteFileBytes(source_, "unit unit1;\nend.\n");
    ASSERT_TRUE(Enter(coretest::ProfileWith(
        "1", "BorlandTrackProjects=0\nBorlandTempPath=" +
                 kvxtest::MakeScratchSubdirectory("shadow") + "\n")));
    ASSERT_TRUE(ide_.OpenFile(source_));
    kvx::SavedWindowProc = &IdeProcedure;
    parent_ = ide_.ParentWindow();
  }

  LRESULT Send(UINT message, WPARAM wParam = 0) {
    return SendMessageA(parent_, message, wParam, 0);
  }

  bool WasPassedOn(UINT message, WPARAM wParam = 0) const {
    for (const auto& seen : PassedOn()) {
      if (seen.first == message && seen.second == wParam) return true;
    }
    return false;
  }

  int Executes(const std::string& text) const {
    int count = 0;
    for (const auto& record : corvane_.Transcript()) {
      if (record.kind == kvx::standin::RecordKind::Execute &&
          record.data.find(text) != std::string::npos) {
        ++count;
      }
    }
    return count;
  }
  int Pushes() const { return Executes("Remote^RemReloadFileEx"); }
  int Pulls() const { return Executes("Remote^RemGetActiveFile"); }
  int Jumps() const { return Executes("[RUNMACRO(\"Remote^RemActivate\")]"); }
  std::size_t Shows() const { return ide_.ShownSources().size(); }

  kvx::standin::CorvaneStandin corvane_;
  std::string source_;
  HWND parent_ = nullptr;
};

TEST_F(MainWindowProc, LeavingTheIdePushesBeforeTheIdeSeesIt) {
  ide_.DeactivateApp();
  EXPECT_EQ(Pushes(), 1);
  EXPECT_TRUE(WasPassedOn(WM_ACTIVATEAPP, 0));
  EXPECT_TRUE(kvx::PushDone);
  EXPECT_EQ(Pulls(), 0);
}

TEST_F(MainWindowProc, ComingBackPullsThenShowsTheActiveFileOnce) {
  ide_.DeactivateApp();
  ide_.ActivateApp();
  EXPECT_EQ(Pulls(), 1);
  EXPECT_TRUE(WasPassedOn(WM_ACTIVATEAPP, 1));
  EXPECT_TRUE(kvx::Activating);

  // A second activation before the posted message is handled: no pull.
  ide_.ActivateApp();
  EXPECT_EQ(Pulls(), 1);

  kvx::EditorActiveFile = source_;
  ide_.PumpUntilIdle();
  EXPECT_EQ(Shows(), 1u);
  EXPECT_FALSE(kvx::Activating);
  EXPECT_FALSE(WasPassedOn(kvx::NeedActivateMsg));

  ide_.ActivateApp();  // the activation is over: the next one pulls
  EXPECT_EQ(Pulls(), 2);
}

TEST_F(MainWindowProc, AFailedPostDoesNotEndPullingForGood) {
  ide_.DeactivateApp();
  WinsubInjectFault(WINSUB_FAULT_POST_MESSAGE, 0, 1);
  ide_.ActivateApp();
  EXPECT_EQ(Pulls(), 1);
  EXPECT_FALSE(kvx::Activating);
  ide_.PumpUntilIdle();
  EXPECT_EQ(Shows(), 0u);
  ide_.ActivateApp();
  EXPECT_EQ(Pulls(), 2);
}

TEST_F(MainWindowProc, NeedActivateWithoutActivationShowsAndLeavesActivatingClear) {
  kvx::EditorActiveFile = source_;
  EXPECT_EQ(Send(kvx::NeedActivateMsg), 0);
  EXPECT_EQ(Shows(), 1u);
  EXPECT_FALSE(kvx::Activating);
  EXPECT_TRUE(PassedOn().empty());
}

TEST_F(MainWindowProc, AnActivationWhileTheActiveFileIsShownDoesNotPull) {
  ide_.DeactivateApp();  // PushDone, so that a pull would run
  kvx::EditorActiveFile = source_;
  bool reentered = false;
  ide_.SetLog([&](const std::string& line) {
    if (!reentered && line.rfind("ShowSource", 0) == 0) {
      reentered = true;
      ide_.ActivateApp();  // the host comes back to the front meanwhile
    }
  });
  EXPECT_EQ(Send(kvx::NeedActivateMsg), 0);
  ASSERT_TRUE(reentered);
  EXPECT_EQ(Pulls(), 0);
  EXPECT_FALSE(kvx::Activating);
  ide_.PumpUntilIdle();
  EXPECT_EQ(Shows(), 1u);
}

TEST_F(MainWindowProc, TheActivateMessageIsAnsweredZeroAndNothingElse) {
  const int before = Executes("[");
  EXPECT_EQ(Send(kvx::ActivateMsg), 0);
  EXPECT_TRUE(PassedOn().empty());
  EXPECT_EQ(Executes("["), before);
  EXPECT_FALSE(kvx::Activating);
  EXPECT_TRUE(kvx::LinkEnabled);
}

TEST_F(MainWindowProc, TheHotkeyMessageJumpsEvenWithTheLinkOff) {
  EXPECT_EQ(Send(kvx::ActivateKvxMsg), 0);
  EXPECT_EQ(Jumps(), 2);  // activate, push, activate
  EXPECT_EQ(Pushes(), 1);
  kvx::LinkEnabled = false;
  PostMessageA(parent_, kvx::ActivateKvxMsg, 0, 0);
  ide_.PumpUntilIdle();
  EXPECT_EQ(Jumps(), 4);
  EXPECT_TRUE(PassedOn().empty());
}

TEST_F(MainWindowProc, TheCloseCommandTurnsTheLinkOffForGood) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool linkAfter;
  };
  const Case cases[] = {
      {"SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE, false},
      {"SC_CLOSE with the system's low bits", WM_SYSCOMMAND, SC_CLOSE | 0x3, false},
      {"SC_MINIMIZE", WM_SYSCOMMAND, 0xF020, true},
      {"SC_KEYMENU", WM_SYSCOMMAND, 0xF100, true},
      {"WM_DESTROY", WM_DESTROY, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kvx::LinkEnabled = true;
    PassedOn().clear();
    Send(c.message, c.wParam);
    EXPECT_EQ(kvx::LinkEnabled, c.linkAfter);
    EXPECT_TRUE(WasPassedOn(c.message, c.wParam));
  }
}

TEST_F(MainWindowProc, WithTheLinkOffSwitchingNeitherPushesNorPulls) {
  ide_.DeactivateApp();  // PushDone, so that a pull would run
  ASSERT_EQ(Pushes(), 1);
  Send(WM_SYSCOMMAND, SC_CLOSE);  // and the close is cancelled
  ide_.DeactivateApp();
  ide_.ActivateApp();
  EXPECT_EQ(Pushes(), 1);
  EXPECT_EQ(Pulls(), 0);
  EXPECT_FALSE(kvx::Activating);
  EXPECT_TRUE(WasPassedOn(WM_ACTIVATEAPP, 1));
  // The hotkey still works.
  Send(kvx::ActivateKvxMsg);
  EXPECT_EQ(Jumps(), 2);
}

TEST_F(MainWindowProc, OtherMessagesGoToTheIdesProcedure) {
  EXPECT_EQ(Send(OtherMessage, 9), OtherMessageResult);
  EXPECT_TRUE(WasPassedOn(OtherMessage, 9));
}

TEST_F(MainWindowProc, OnceShuttingDownEveryMessageIsAnsweredZero) {
  ide_.DeactivateApp();
  const int before = Executes("[");
  PassedOn().clear();
  kvx::ShuttingDown = true;
  kvx::EditorActiveFile = source_;
  const std::pair<UINT, WPARAM> messages[] = {
      {WM_ACTIVATEAPP, 0}, {WM_ACTIVATEAPP, 1},   {kvx::ActivateMsg, 0}, {kvx::NeedActivateMsg, 0},
      {kvx::ActivateKvxMsg, 0}, {WM_SYSCOMMAND, SC_CLOSE}, {WM_DESTROY, 0}, {OtherMessage, 0}};
  for (const auto& [message, wParam] : messages) {
    EXPECT_EQ(Send(message, wParam), 0) << message;
  }
  EXPECT_TRUE(PassedOn().empty());
  EXPECT_EQ(Executes("["), before);
  EXPECT_EQ(Shows(), 0u);
  EXPECT_TRUE(kvx::LinkEnabled);
  EXPECT_FALSE(kvx::Activating);
}

}  // namespace
