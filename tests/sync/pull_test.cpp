// The pull: Corvane's saved text, reloads and cursor come back into the IDE.
#include <fcntl.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/activation.h"
#include "sync/file_search.h"
#include "sync/pull.h"
#include "sync/pull_text.h"
#include "sync/push.h"
#include "tests/support/test_environment.h"
#include "tests/sync/faulty_editor.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;

constexpr char OldText[] = "old line\r\nsecond\r\n";

void SetWriteTime(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// By value: the Delphi 3 position is packed, so no reference may bind to it.
int32_t LineOf(const std::optional<kvx::TEditPos>& place) { return place ? place->Line : -1; }
int32_t ColOf(const std::optional<kvx::TEditPos>& place) { return place ? place->Col : -1; }

class Pull : public SyncTest {
 protected:
  void SetUp() override {
    StartCorvane();
    StartExpert(settings_);
    unit_ = MakeSource("unit1.pas", OldText);
    record_ = Open(unit_);
    ASSERT_NE(record_, nullptr);
    kvx::PushToEditor(nullptr);
    ASSERT_TRUE(kvx::PushDone);
  }
  // Corvane's user edits and saves; the IDE then becomes active again.
  void EditInCorvane(const std::string& text) { ASSERT_TRUE(corvane->Edit(unit_, text)); }
  void InjectFaults() {
    record_->ModuleInterface = new synctest::FaultyModule(record_->ModuleInterface, faults_);
  }

  synctest::Settings settings_;
  std::string unit_;
  kvx::KvxModuleNotifier* record_ = nullptr;
  synctest::EditorFaults faults_;
};

TEST_F(Pull, AskingCorvaneFollowsTheOrderOfTheSweep) {
  const std::string other = MakeSource("other.pas", "x");
  Open(other);
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(corvane->MoveCursor(unit_, 2, 3, 1));
  ASSERT_TRUE(corvane->MoveCursor(other, 0, 1, 1));  // line 0: no top line asked
  const std::size_t before = Exchanges().size();
  kvx::PullFromEditor();
  const std::vector<std::string> all = Exchanges();
  const std::vector<std::string> pull(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  const std::string info = kvx::CmdGetFileInfo;
  EXPECT_EQ(pull, (std::vector<std::string>{
                      "connect", kvx::CmdGetActiveFile, "?!REMACTIVEFILE",
                      info + unit_, "?!REMCURPOS_F", "?!REMCURPOS_L", "?!REMCURPOS_C", "?!REMCURPOS_T",
                      info + other, "?!REMCURPOS_F", "?!REMCURPOS_L", "?!REMCURPOS_C",
                      "disconnect"}));
  EXPECT_EQ(info, "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=");
}

TEST_F(Pull, ANewerShadowReplacesTheBufferTextEndedByALineBreak) {
  struct Case {
    std::string corvane;
    std::string normalised;
  };
  const Case cases[] = {
      {"abc", "abc\r\n"},          {"x", "x\r\n"},
      {"a\rb", "a\rb"},            {"new\r\n\x1a", "new\r\n"},
      {"\x1a", ""},                {"", ""},
      {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.corvane));
    ASSERT_TRUE(ide.ReplaceText(unit_, 0, ide.BufferText(unit_)->size(), OldText));
    kvx::PushToEditor(nullptr);
    EditInCorvane(c.corvane);
    kvx::FoundFile shadow;
    ASSERT_TRUE(kvx::FindPlainFile(record_->ShadowName, &shadow));
    kvx::PullFromEditor();
    const std::string expected = kvx::UndoableTakeOver ? c.normalised : c.corvane;
    EXPECT_EQ(*ide.BufferText(unit_), expected);
    EXPECT_EQ(record_->BytesWritten, static_cast<int32_t>(expected.size()));
    EXPECT_FALSE(record_->Modified);
    EXPECT_EQ(record_->ShadowTime, shadow.Stamp);
    EXPECT_EQ(record_->ShadowWriteTime, shadow.WriteTime);
    EXPECT_FALSE(kvx::Pulling);
  }
}

TEST_F(Pull, TheReplacementIsUndoneInTwoSteps) {
  if (!kvx::UndoableTakeOver) GTEST_SKIP() << "plain writers in this build";
  const std::size_t depth = ide.UndoDepth(unit_);
  EditInCorvane("new\r\n");
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "new\r\n");
  EXPECT_EQ(ide.UndoDepth(unit_), depth + 2);
  ASSERT_TRUE(ide.Undo(unit_));
  ASSERT_TRUE(ide.Undo(unit_));
  EXPECT_EQ(*ide.BufferText(unit_), OldText);
}

TEST_F(Pull, ACorvaneSaveSurvivesAPushWithoutAPullBetween) {
  // The user saves in Corvane, and the IDE pushes again before any pull (the
  // pull was held off, say while a program ran): the save must still come back.
  EditInCorvane("from corvane\r\n");
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(kvx::PushDone);
  kvx::PullFromEditor();
  EXPECT_EQ(ide.BufferText(unit_), std::optional<std::string>("from corvane\r\n"));
}

TEST_F(Pull, AnUnchangedShadowLeavesTheBufferAlone) {
  ASSERT_TRUE(ide.InsertText(unit_, 0, "ide edit "));
  ASSERT_TRUE(corvane->MoveCursor(unit_, 2, 3, 1));
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), std::string("ide edit ") + OldText);
  EXPECT_TRUE(record_->Modified);
  // The cursor still follows Corvane's.
  EXPECT_EQ(LineOf(ide.Cursor(unit_)), 2);
  EXPECT_EQ(ColOf(ide.Cursor(unit_)), 3);
}

TEST_F(Pull, ARewriteWithinTheSameTwoSecondsOrWithAnEarlierStampIsTakenToo) {
  const time_t base = 1700000000;  // an even second
  EditInCorvane("first\r\n");
  SetWriteTime(record_->ShadowName, base, 100000000);
  kvx::PullFromEditor();
  ASSERT_EQ(*ide.BufferText(unit_), "first\r\n");

  EditInCorvane("second\r\n");
  SetWriteTime(record_->ShadowName, base + 1, 500000000);  // same DOS stamp
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(record_->ShadowName, &found));
  ASSERT_EQ(found.Stamp, record_->ShadowTime);
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "second\r\n");

  EditInCorvane("third\r\n");
  SetWriteTime(record_->ShadowName, base - 3600, 0);  // the clock went back an hour
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "third\r\n");

  // Taken once only.
  ASSERT_TRUE(ide.ReplaceText(unit_, 0, 5, "THIRD"));
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "THIRD\r\n");
}

TEST_F(Pull, ATakeOverThatDidNotReachTheBufferIsTriedAgain) {
  kvx::SafetySave = true;
  InjectFaults();
  struct Case {
    const char* name;
    WinsubFaultPoint fault;
    bool noWriter;
    bool insertFails;
  };
  const Case cases[] = {
      {"unreadable", WINSUB_FAULT_READ_FILE, false, false},
      {"no writer", WinsubFaultPoint{}, true, false},
      {"insert refused", WinsubFaultPoint{}, false, true},
  };
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = "edit " + std::to_string(++round) + "\r\n";
    EditInCorvane(text);
    struct {
      int32_t ShadowTime, BytesWritten;
      uint64_t ShadowWriteTime;
    } before{record_->ShadowTime, record_->BytesWritten, record_->ShadowWriteTime};
    kvxtest::WriteFileBytes(unit_, "on disk");
    const std::size_t boxes = ide.MessageBoxesShown().size();
    if (c.fault != WinsubFaultPoint{}) WinsubInjectFault(c.fault, 0, 1);
    faults_.noWriter = c.noWriter;
    faults_.insertFails = c.insertFails;
    kvx::PullFromEditor();
    WinsubClearFaults();
    faults_ = {};

    EXPECT_EQ(*ide.BufferText(unit_), round == 1 ? OldText : "edit " + std::to_string(round - 1) + "\r\n");
    EXPECT_EQ(record_->ShadowTime, before.ShadowTime);
    EXPECT_EQ(record_->ShadowWriteTime, before.ShadowWriteTime);
    EXPECT_EQ(record_->BytesWritten, before.BytesWritten);
    EXPECT_EQ(kvxtest::ReadFileBytes(unit_), "on disk");  // no safety save
    if (c.insertFails && kvx::UndoableTakeOver) {
      ASSERT_EQ(ide.MessageBoxesShown().size(), boxes + 1);
      EXPECT_EQ(ide.MessageBoxesShown().back().text, "Insert failed!");
      EXPECT_EQ(ide.MessageBoxesShown().back().caption, "ERROR");
      EXPECT_EQ(ide.MessageBoxesShown().back().style, static_cast<UINT>(MB_SYSTEMMODAL));
      EXPECT_EQ(ide.MessageBoxesShown().back().owner, nullptr);
    } else {
      EXPECT_EQ(ide.MessageBoxesShown().size(), boxes);
    }

    kvx::PullFromEditor();
    EXPECT_EQ(*ide.BufferText(unit_), text);
    EXPECT_EQ(kvxtest::ReadFileBytes(unit_), text);  // saved after the take-over
  }
}

TEST_F(Pull, ARefusedDeleteLeavesBothTextsAndIsReportedInTheUndoableBuild) {
  InjectFaults();
  faults_.deleteFails = true;
  EditInCorvane("new\r\n");
  const std::size_t boxes = ide.MessageBoxesShown().size();
  kvx::PullFromEditor();
  // The new text went in, so the take-over counts; only the old text stays.
  EXPECT_EQ(*ide.BufferText(unit_), std::string(OldText) + "new\r\n");
  EXPECT_EQ(record_->BytesWritten, 5);
  EXPECT_FALSE(record_->Modified);
  if (kvx::UndoableTakeOver) {
    ASSERT_EQ(ide.MessageBoxesShown().size(), boxes + 1);
    EXPECT_EQ(ide.MessageBoxesShown().back().text, "Delete failed!");
    EXPECT_EQ(ide.MessageBoxesShown().back().caption, "ERROR");
    EXPECT_EQ(ide.MessageBoxesShown().back().style, static_cast<UINT>(MB_SYSTEMMODAL));
  } else {
    EXPECT_EQ(ide.MessageBoxesShown().size(), boxes);
  }
}

TEST_F(Pull, WithoutAReaderTheLengthOfTheLastExchangeIsReplaced) {
  InjectFaults();
  faults_.noReader = true;
  EditInCorvane("new\r\n");
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "new\r\n");
}

TEST_F(Pull, ANeverSavedModuleKeepsItsTrailingBlankAndIsNotSaved) {
  kvx::SafetySave = true;
  const std::string fresh = Source("fresh.pas");
  kvx::KvxModuleNotifier* record = Open(fresh);
  ASSERT_TRUE(ide.InsertText(fresh, 0, "abc "));
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(corvane->Edit(fresh, "xyz\r\n"));
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(fresh), "xyz\r\n ");
  EXPECT_EQ(record->BytesWritten, 5);
  EXPECT_FALSE(kvx::FindPlainFile(fresh));
}

TEST_F(Pull, ALastCarriageReturnOfTheOldTextStaysFirstInPlainWriterBuilds) {
  ASSERT_TRUE(ide.ReplaceText(unit_, 0, ide.BufferText(unit_)->size(), "ab\r"));
  kvx::PushToEditor(nullptr);
  EditInCorvane("new\r\n");
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), kvx::UndoableTakeOver ? "new\r\n" : "\rnew\r\n");
}

TEST_F(Pull, BuffersOverTenMillionBytesAreReplacedWhole) {
  std::string big(10000000, 'a');
  big += "\r\ntail\r\n";
  for (std::size_t i = 9999; i < big.size(); i += 10000) big[i] = '\r';  // chunk ends in CR
  ASSERT_TRUE(ide.ReplaceText(unit_, 0, ide.BufferText(unit_)->size(), big));
  kvx::PushToEditor(nullptr);
  EditInCorvane("small\r\n");
  kvx::PullFromEditor();
  // Every chunk end is deleted, the ones past the thousandth too.
  EXPECT_EQ(*ide.BufferText(unit_), "small\r\n");
  EXPECT_EQ(record_->BytesWritten, 7);
}

TEST_F(Pull, CorvaneReloadingFromDiskIsRepeatedAfterAskingWhenModified) {
  struct Case {
    bool modified;
    int answer;
    bool reloaded;
  };
  const Case cases[] = {{false, 0, true}, {true, IDYES, true}, {true, IDNO, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.modified << " " << c.answer);
    kvxtest::WriteFileBytes(unit_, "from disk\r\n");
    ASSERT_TRUE(ide.ReplaceText(unit_, 0, ide.BufferText(unit_)->size(), OldText));
    if (!c.modified) {
      ASSERT_TRUE(ide.SaveFile(unit_));
    }
    kvxtest::WriteFileBytes(unit_, "from disk\r\n");
    kvx::PushToEditor(nullptr);
    ASSERT_TRUE(corvane->ReloadFromDisk(unit_));
    ASSERT_TRUE(corvane->MoveCursor(unit_, 2, 1, 1));
    if (c.answer != 0) ide.QueueMessageBoxAnswer(c.answer);
    const std::size_t boxes = ide.MessageBoxesShown().size();
    const std::size_t reloads = ide.Reloads().size();
    kvx::PullFromEditor();
    EXPECT_EQ(ide.Reloads().size(), reloads + (c.reloaded ? 1 : 0));
    EXPECT_EQ(*ide.BufferText(unit_), c.reloaded ? "from disk\r\n" : OldText);
    EXPECT_EQ(LineOf(ide.Cursor(unit_)), 2);
    if (c.modified) {
      ASSERT_EQ(ide.MessageBoxesShown().size(), boxes + 1);
      const auto& box = ide.MessageBoxesShown().back();
      EXPECT_EQ(box.text, kvx::OverwriteQuestion(unit_));
      EXPECT_EQ(box.caption, "WARNING: Overwrite Verification Needed!");
      EXPECT_EQ(box.style, 52u);
      EXPECT_EQ(box.owner, kvx::AppBuilderWindow);
    } else {
      EXPECT_EQ(ide.MessageBoxesShown().size(), boxes);
    }
  }
}

TEST_F(Pull, TheCursorAndTopFollowCorvane) {
  std::string text;
  for (int i = 1; i <= 300; ++i) text += std::string(100, 'x') + "\r\n";
  ASSERT_TRUE(ide.ReplaceText(unit_, 0, ide.BufferText(unit_)->size(), text));
  ASSERT_TRUE(ide.SetViewSize(unit_, 80, 30));
  ASSERT_TRUE(ide.SetCursor(unit_, 7, 7));
  ASSERT_TRUE(ide.SetTopLine(unit_, 5));
  kvx::PushToEditor(nullptr);

  ASSERT_TRUE(corvane->MoveCursor(unit_, 0, 4, 9));  // line 0: nothing placed
  kvx::PullFromEditor();
  EXPECT_EQ(LineOf(ide.Cursor(unit_)), 7);
  EXPECT_EQ(LineOf(ide.TopPosition(unit_)), 5);

  ASSERT_TRUE(corvane->MoveCursor(unit_, 200, 90, 150));
  kvx::PullFromEditor();
  EXPECT_EQ(LineOf(ide.Cursor(unit_)), 200);
  EXPECT_EQ(ColOf(ide.Cursor(unit_)), 90);
  EXPECT_EQ(LineOf(ide.TopPosition(unit_)), 185);
  EXPECT_EQ(ColOf(ide.TopPosition(unit_)), 12);
}

TEST_F(Pull, TheActiveFileComesFromCorvaneOrFromTheIde) {
  const std::string other = MakeSource("other.pas", "x");
  Open(other);
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(corvane->MakeActive(other));
  ASSERT_TRUE(ide.SelectFile(unit_));
  kvx::PullFromEditor();
  EXPECT_EQ(kvx::EditorActiveFile, other);
  kvx::ShowEditorActiveFile();
  EXPECT_EQ(ide.FrontFile(), other);

  // Without Corvane: the IDE's current file; saved edits still come back.
  EditInCorvane("offline\r\n");
  StopCorvane();
  ASSERT_TRUE(ide.SelectFile(unit_));
  kvx::PullFromEditor();
  EXPECT_EQ(kvx::EditorActiveFile, unit_);
  EXPECT_EQ(*ide.BufferText(unit_), "offline\r\n");

  // A Corvane that holds no file names none.
  StartCorvane();
  kvx::PullFromEditor();
  EXPECT_EQ(kvx::EditorActiveFile, "");

  const std::size_t shown = ide.ShownSources().size();
  kvx::ShowEditorActiveFile();
  EXPECT_EQ(ide.ShownSources().size(), shown);
}

TEST_F(Pull, ModulesNotOpenInTheIdeAreSkipped) {
  const std::string other = MakeSource("other.pas", "x");
  kvx::KvxModuleNotifier* otherRecord = Open(other);
  kvx::PushToEditor(nullptr);
  ASSERT_TRUE(corvane->Edit(other, "changed\r\n"));
  // Closed in the IDE without the notification reaching the expert.
  const auto notifiers = ide.ModuleNotifierCount(other);
  ASSERT_EQ(notifiers, 1u);
  otherRecord->AddRef();
  ASSERT_TRUE(otherRecord->ModuleInterface->RemoveNotifier(otherRecord));
  ASSERT_TRUE(ide.CloseFile(other));
  const std::size_t before = TranscriptSize();
  kvx::PullFromEditor();
  EXPECT_EQ(otherRecord->BytesWritten, 1);
  for (const std::string& command : CommandsSince(before)) EXPECT_EQ(command.find(other), std::string::npos);
  otherRecord->Release();
}

TEST_F(Pull, NoPullBeforeACompletePushOrWhileDebugging) {
  EditInCorvane("new\r\n");
  kvx::PushDone = false;
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), OldText);
  kvx::PushDone = true;
  ide.StartDebugging();
  const std::size_t before = TranscriptSize();
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), OldText);
  EXPECT_EQ(TranscriptSize(), before);
  ide.StopDebugging();
  kvx::PullFromEditor();
  EXPECT_EQ(*ide.BufferText(unit_), "new\r\n");
}

}  // namespace
