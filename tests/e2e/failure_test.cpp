// Corvane dying under the link, and the IDE unloading the expert.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/link_fixture.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kvx::standin::RecordKind;

enum class KillPoint { InPush, InPull, BetweenSweeps };

struct KillRow {
  const char* name;
  KillPoint point;
};
void PrintTo(const KillRow& row, std::ostream* out) { *out << row.name; }

class CorvaneKilled : public LinkTest, public testing::TestWithParam<KillRow> {
 protected:
  // Arms a kill -9 of the stand-in from inside the IDE thread's next DDE
  // waits, as soon as the transcript shows the trigger command: the expert
  // is then inside a transaction of the sweep in progress.
  void KillWhenSeen(const std::string& trigger) {
    helper_.Post([this, trigger] {
      const auto records = kvx::standin::ReadTranscriptFile(transcriptPath_);
      bool seen = false;
      if (records) {
        for (const auto& record : *records) {
          if (record.kind == RecordKind::Execute && record.data.find(trigger) != std::string::npos) {
            seen = true;
          }
        }
      }
      if (seen) {
        killedInSweep_ = inSweep_;
        corvane_.Kill();
      } else if (inSweep_) {
        KillWhenSeen(trigger);
      }
    });
  }

  // One application switch with the kill armed; answers how long it took.
  template <typename Switch>
  Clock::duration SweepWithKill(const std::string& trigger, Switch&& sweep) {
    KillWhenSeen(trigger);
    inSweep_ = true;
    const auto start = Clock::now();
    sweep();
    const auto elapsed = Clock::now() - start;
    inSweep_ = false;
    ide_.PumpUntilIdle();
    return elapsed;
  }

  OnIdeThread helper_;
  bool inSweep_ = false;
  bool killedInSweep_ = false;
};

std::string Text(const std::string& unit, int lines) {
  std::string text = "unit " + unit + ";\r\n";
  for (int i = 0; i < lines; ++i) text += "  { line " + std::to_string(i) + " }\r\n";
  return text + "end.\r\n";
}

TEST_P(CorvaneKilled, TheIdeKeepsWorkingAndNothingIsLost) {
  const KillPoint point = GetParam().point;
  const std::vector<std::string> units = {WriteSource("unit1.pas", Text("Unit1", 200)),
                                          WriteSource("unit2.pas", Text("Unit2", 200)),
                                          WriteSource("unit3.pas", Text("Unit3", 200))};
  StartCorvane();
  LoadExpert();
  for (const std::string& unit : units) ASSERT_TRUE(ide_.OpenFile(unit));
  ASSERT_TRUE(ide_.InsertText(units[0], 0, "// typed before the push\r\n"));
  std::vector<std::string> expected = {"// typed before the push\r\n" + Text("Unit1", 200),
                                       Text("Unit2", 200), Text("Unit3", 200)};

  Clock::duration elapsed{};
  switch (point) {
    case KillPoint::InPush:
      elapsed = SweepWithKill(RemoveCmd(units[1]), [&] { LeaveIde(); });
      EXPECT_TRUE(killedInSweep_) << "the stand-in was not killed inside the push";
      // Every shadow file was still written: the text is safe on disk.
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReadFile(Shadow("unit" + std::to_string(i + 1) + ".0.pas")), expected[i]);
      }
      ReturnToIde();  // pulls with no one to ask
      break;
    case KillPoint::InPull: {
      LeaveIde();
      // Saved in Corvane before it dies: the IDE must still take it over.
      expected[2] = "unit Unit3; { saved in Corvane }\r\nend.\r\n";
      ASSERT_TRUE(Control().Edit(units[2], expected[2]));
      elapsed = SweepWithKill(FileInfoCmd(units[1]), [&] { ide_.ActivateApp(); });
      EXPECT_TRUE(killedInSweep_) << "the stand-in was not killed inside the pull";
      EXPECT_EQ(ReadFile(units[2]), expected[2]);  // taken over and saved
      break;
    }
    case KillPoint::BetweenSweeps:
      LeaveIde();
      corvane_.Kill();
      elapsed = SweepWithKill("never", [&] { ide_.ActivateApp(); });
      break;
  }
  EXPECT_LT(elapsed, 3s) << "the sweep hung on the dead stand-in";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ide_.BufferText(units[i]), expected[i]) << units[i];
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());

  // The IDE goes on: edits, switches and the hotkey with no Corvane at all.
  const auto start = Clock::now();
  ASSERT_TRUE(ide_.InsertText(units[1], 0, "// typed after the kill\r\n"));
  expected[1] = "// typed after the kill\r\n" + expected[1];
  LeaveIde();
  ReturnToIde();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));  // no launch command: nothing happens
  EXPECT_LT(Clock::now() - start, 3s);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ide_.BufferText(units[i]), expected[i]) << units[i];

  // Corvane started again receives every text as the IDE holds it.
  transcriptPath_ = dir_ + "/corvane-again.transcript";
  StartCorvane();
  LeaveIde();
  const auto state = CorvaneState();
  for (int i = 0; i < 3; ++i) {
    const auto* file = state.FindFile(units[i]);
    ASSERT_NE(file, nullptr) << units[i];
    EXPECT_EQ(file->text, expected[i]) << units[i];
  }
  ReturnToIde();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ide_.BufferText(units[i]), expected[i]) << units[i];
}

INSTANTIATE_TEST_SUITE_P(E2E, CorvaneKilled,
                         testing::Values(KillRow{"in_push", KillPoint::InPush},
                                         KillRow{"in_pull", KillPoint::InPull},
                                         KillRow{"between_sweeps", KillPoint::BetweenSweeps}),
                         RowName<KillRow>);

// ---------------------------------------------------------------- shutdown

class Shutdown : public LinkTest, public testing::TestWithParam<Variant> {};

int KeyDowns(const simide::SimIde& ide, WPARAM key) {
  int count = 0;
  for (const auto& seen : ide.MessagesSeen(ide.EditorWindow())) {
    if (seen.message == WM_KEYDOWN && seen.wParam == key) ++count;
  }
  return count;
}

TEST_P(Shutdown, ExpertDoneRestoresTheWindowRemovesTheHookAndStopsTheLink) {
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  StartCorvane();
  const LONG_PTR ownProcedure = GetWindowLongPtrA(ide_.ParentWindow(), GWLP_WNDPROC);
  LoadExpert();
  EXPECT_NE(GetWindowLongPtrA(ide_.ParentWindow(), GWLP_WNDPROC), ownProcedure);
  ASSERT_TRUE(ide_.OpenFile(unit));
  LeaveIde();
  ReturnToIde();
  ASSERT_EQ(KeyDowns(ide_, 'K'), 0);

  ide_.Shutdown();
  EXPECT_FALSE(ide_.ExpertLoaded());
  EXPECT_FALSE(ide_.WindowProcedureLeftSubclassed());
  EXPECT_EQ(GetWindowLongPtrA(ide_.ParentWindow(), GWLP_WNDPROC), ownProcedure);
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());  // the hook came off
  EXPECT_EQ(ide_.OverReleases(), 0);

  // With the library gone, the hotkey is an ordinary key and switching
  // applications reaches nothing.
  const std::size_t mark = Mark();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_EQ(KeyDowns(ide_, 'K'), 1);
  ASSERT_TRUE(ide_.InsertText(unit, 0, "// after\r\n"));
  LeaveIde();
  ReturnToIde();
  ASSERT_TRUE(ide_.CloseFile(unit));
  EXPECT_TRUE(RecordsSince(mark).empty());
  const auto state = CorvaneState();
  EXPECT_EQ(state.activations, 0u);
  ASSERT_NE(state.FindFile(unit), nullptr);
  EXPECT_EQ(state.FindFile(unit)->text, "unit Unit1;\r\nend.\r\n");
}

INSTANTIATE_TEST_SUITE_P(E2E, Shutdown, testing::Values(ThisVariant()), VariantName);

}  // namespace
}  // namespace e2e
