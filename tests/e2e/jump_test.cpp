// The hotkey's jump to Corvane: with Corvane running, with Corvane started by
// the expert, with a program that never answers, and while a program is
// being debugged.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/include/winsub_control.h"
#include "tests/e2e/link_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Commands = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using kvx::standin::RecordKind;

int KeyDowns(const simide::SimIde& ide, WPARAM key) {
  int count = 0;
  for (const auto& seen : ide.MessagesSeen(ide.EditorWindow())) {
    if (seen.message == WM_KEYDOWN && seen.wParam == key) ++count;
  }
  return count;
}

class Jump : public LinkTest, public testing::TestWithParam<Variant> {};

TEST_P(Jump, WithCorvaneRunningActivatesAroundThePushInOneConversation) {
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenFile(unit));
  ASSERT_TRUE(ide_.SetCursor(unit, 2, 3));
  const std::size_t mark = Mark();

  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));

  const Records records = RecordsSince(mark);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().kind, RecordKind::Connect);
  EXPECT_EQ(records.back().kind, RecordKind::Disconnect);
  for (const auto& record : records) {
    EXPECT_EQ(record.conversation, records.front().conversation) << "one conversation only";
  }
  EXPECT_EQ(CommandsSince(mark),
            (Commands{ActivateCmd, RemoveCmd(unit),
                      ReloadCmd('1', 2, 3, 1, unit, Shadow("unit1.0.pas")), ActivateCmd}));
  const auto state = CorvaneState();
  EXPECT_EQ(state.activations, 2u);
  ASSERT_NE(state.FindFile(unit), nullptr);
  EXPECT_EQ(state.FindFile(unit)->text, "unit Unit1;\r\nend.\r\n");
  EXPECT_EQ(KeyDowns(ide_, 'K'), 0);  // the hotkey never reaches the editor

  // The jump counts as a push: coming back pulls.
  const std::size_t back = Mark();
  ReturnToIde();
  EXPECT_EQ(CommandsSince(back), (Commands{ActiveFileCmd, FileInfoCmd(unit)}));
}

TEST_P(Jump, AProgramThatNeverAnswersIsWaitedForTenSecondsThenNothingIsPushed) {
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  const std::string pidFile = dir_ + "/mute.pid";
  Settings settings;
  settings.launchCommand =
      "/bin/sh -c \"echo $$ > " + pidFile + "; exec sleep 30 </dev/null >/dev/null 2>&1\"";
  LoadExpert(settings);
  ASSERT_TRUE(ide_.OpenFile(unit));

  // The wait is measured by the tick count: a helper moves the clock on
  // while the IDE thread is inside the wait.
  std::atomic<bool> returned{false};
  bool waitingAt9300 = false;
  bool waitingAt9600 = false;
  std::thread clock([&] {
    std::this_thread::sleep_for(300ms);
    WinsubAdvanceTickCount(9000);
    waitingAt9300 = !returned;
    std::this_thread::sleep_for(300ms);
    waitingAt9600 = !returned;
    WinsubAdvanceTickCount(1000);
  });
  const auto start = Clock::now();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  returned = true;
  const auto elapsed = Clock::now() - start;
  clock.join();

  EXPECT_TRUE(waitingAt9300);
  EXPECT_TRUE(waitingAt9600);
  EXPECT_LT(elapsed, 3s) << "the wait did not end once ten seconds had passed";
  EXPECT_TRUE(Exists(pidFile)) << "the launch command did not run";
  EXPECT_FALSE(Exists(Shadow("unit1.0.pas"))) << "pushed without Corvane";
  EXPECT_FALSE(Exists(transcriptPath_));
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());
  // No push completed, so coming back pulls nothing and changes nothing.
  ReturnToIde();
  EXPECT_EQ(ide_.BufferText(unit), "unit Unit1;\r\nend.\r\n");
}

TEST_P(Jump, WhileAProgramIsDebuggedOnlyBeeps) {
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenFile(unit));
  ide_.StartDebugging();
  const std::size_t mark = Mark();
  const unsigned beeps = WinsubBeepCount();

  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_EQ(WinsubBeepCount(), beeps + 1);
  EXPECT_EQ(KeyDowns(ide_, 'K'), 0);
  // Switching applications and opening or closing files exchange nothing either.
  LeaveIde();
  ReturnToIde();
  const std::string unit2 = WriteSource("unit2.pas", "unit Unit2;\r\nend.\r\n");
  ASSERT_TRUE(ide_.OpenFile(unit2));
  EXPECT_TRUE(RecordsSince(mark).empty());
  EXPECT_FALSE(Exists(Shadow("unit1.0.pas")));
  EXPECT_EQ(CorvaneState().activations, 0u);
  EXPECT_EQ(WinsubBeepCount(), beeps + 1);

  ide_.StopDebugging();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_EQ(CorvaneState().activations, 2u);
  EXPECT_EQ(WinsubBeepCount(), beeps + 1);
}

INSTANTIATE_TEST_SUITE_P(E2E, Jump, testing::Values(ThisVariant()), VariantName);

// ---------------------------------------------------------------- launch

struct LaunchRow {
  const char* name;
  bool trackProjects;
};
void PrintTo(const LaunchRow& row, std::ostream* out) { *out << row.name; }

class JumpLaunch : public LinkTest, public testing::TestWithParam<LaunchRow> {};

TEST_P(JumpLaunch, WithCorvaneNotRunningStartsItWaitsAndPushes) {
  const LaunchRow& row = GetParam();
  const std::string project = WriteSource("proj.dpr", "program Proj;\r\nend.\r\n");
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  Settings settings;
  settings.launchCommand = CorvaneCommandLine();
  settings.trackProjects = row.trackProjects ? 1 : 0;
  LoadExpert(settings);
  ASSERT_TRUE(ide_.OpenProject(project));
  ASSERT_TRUE(ide_.OpenFile(unit));
  ASSERT_TRUE(ide_.InsertText(unit, 0, "// new\r\n"));

  const auto start = Clock::now();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_LT(Clock::now() - start, 5s);

  const auto launched = LaunchedCommandLines();
  ASSERT_EQ(launched.size(), 1u) << "the expert did not start one stand-in";
  std::vector<std::string> expected = {KVX_E2E_CORVANE, "--transcript", transcriptPath_,
                                       "--control", controlService_};
  const std::string session = std::string(ThisVariant().sessionPrefix) + "proj";
  if (row.trackProjects) expected.push_back("-SN" + session);
  EXPECT_EQ(launched[0], expected);
  ASSERT_TRUE(AttachToLaunchedCorvane());

  Commands commands;
  if (row.trackProjects) commands.push_back(SessionCmd(session, sourceDir_ + "/"));
  commands.insert(commands.end(),
                  {RemoveCmd(project), ReloadCmd('0', 1, 1, 1, project, Shadow("proj.0.dpr")),
                   RemoveCmd(unit), ReloadCmd('1', 1, 1, 1, unit, Shadow("unit1.0.pas"))});
  EXPECT_EQ(CommandsSince(0), commands);  // no activation on this path
  const auto state = CorvaneState();
  EXPECT_EQ(state.activations, 0u);
  EXPECT_EQ(state.session, row.trackProjects ? session : "");
  ASSERT_NE(state.FindFile(unit), nullptr);
  EXPECT_EQ(state.FindFile(unit)->text, "// new\r\nunit Unit1;\r\nend.\r\n");
}

INSTANTIATE_TEST_SUITE_P(E2E, JumpLaunch,
                         testing::Values(LaunchRow{"tracking", true},
                                         LaunchRow{"not_tracking", false}),
                         RowName<LaunchRow>);

}  // namespace
}  // namespace e2e
