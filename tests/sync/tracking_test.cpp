// Tracking follows the IDE: files opened, selected, modified, saved under a
// new name and closed, with Corvane told to drop what leaves.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "shell/globals.h"
#include "sync/file_search.h"
#include "sync/push.h"
#include "tests/support/test_environment.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;
using Strings = std::vector<std::string>;

std::string Remove(const std::string& path) { return std::string(kvx::CmdRemoveFile) + path; }

using Tracking = SyncTest;

TEST_F(Tracking, AnOpenedFileIsTrackedOnceAndCorvaneDropsItsCopy) {
  StartCorvane();
  StartExpert();
  const std::string unit = MakeSource("unit1.pas", "text");
  kvx::KvxModuleNotifier* record = Open(unit);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(kvx::TrackedCount, 1);
  EXPECT_TRUE(record->Modified);
  EXPECT_FALSE(record->Announced);
  EXPECT_TRUE(record->ShadowName.empty());
  EXPECT_EQ(record->ShadowTime, 0);
  EXPECT_EQ(record->BytesWritten, 0);
  EXPECT_NE(record->ModuleInterface, nullptr);
  EXPECT_EQ(kvx::CurrentFile, unit);
  EXPECT_EQ(ide.ModuleNotifierCount(unit), 1u);
  EXPECT_EQ(Commands(), Strings{Remove(unit)});

  // Added to the project while tracked: no second record, current file kept.
  const std::string other = MakeSource("other.pas", "");
  Open(other);
  ASSERT_TRUE(ide.AddFile(unit));
  EXPECT_EQ(kvx::TrackedCount, 2);
  EXPECT_EQ(kvx::CurrentFile, other);
  EXPECT_EQ(ide.ModuleNotifierCount(unit), 1u);

  // The same name in other letter case is another file.
  const std::string upper = MakeSource("UNIT1.pas", "");
  Open(upper);
  EXPECT_EQ(kvx::TrackedCount, 3);
}

TEST_F(Tracking, SelectionModificationAndProjectClosingAreFollowed) {
  StartExpert();
  const std::string a = MakeSource("a.pas", "a");
  const std::string b = MakeSource("b.pas", "b");
  kvx::KvxModuleNotifier* recordA = Open(a);
  Open(b);
  EXPECT_EQ(kvx::CurrentFile, b);
  ASSERT_TRUE(ide.SelectFile(a));
  EXPECT_EQ(kvx::CurrentFile, a);

  recordA->Modified = false;
  ASSERT_TRUE(ide.InsertText(a, 0, "x"));
  EXPECT_TRUE(recordA->Modified);

  ASSERT_TRUE(ide.OpenProject(MakeSource("proj.dpr", "program")));
  ASSERT_TRUE(ide.CloseProject());
  EXPECT_EQ(kvx::CurrentFile, "");
}

TEST_F(Tracking, TheTableHoldsFiveHundredFiles) {
  StartExpert();
  for (int i = 0; i < kvx::MaxTrackedModules; ++i) ASSERT_TRUE(ide.OpenFile(Source(std::to_string(i))));
  EXPECT_EQ(kvx::TrackedCount, 500);

  StartCorvane();
  const std::string extra = Source("extra.pas");
  ASSERT_TRUE(ide.OpenFile(extra));
  EXPECT_EQ(kvx::TrackedCount, 500);
  EXPECT_EQ(Record(extra), nullptr);
  EXPECT_EQ(ide.ModuleNotifierCount(extra), 0u);
  EXPECT_TRUE(Commands().empty());

  // One file closed makes room again.
  ASSERT_TRUE(ide.CloseFile(Source("0")));
  EXPECT_EQ(kvx::TrackedCount, 499);
  ASSERT_TRUE(ide.CloseFile(extra));
  ASSERT_TRUE(ide.OpenFile(extra));
  EXPECT_EQ(kvx::TrackedCount, 500);
  EXPECT_EQ(kvx::TrackedModules[500]->FileName, extra);
  EXPECT_EQ(kvx::TrackedModules[1]->FileName, Source("1"));
}

TEST_F(Tracking, ClosingAModuleWithoutShadowFileSendsNothing) {
  StartExpert();
  const std::string a = MakeSource("a.pas", "a");
  const std::string b = MakeSource("b.pas", "b");
  Open(a);
  Open(b);
  StartCorvane();
  ASSERT_TRUE(ide.CloseFile(a));
  EXPECT_EQ(kvx::TrackedCount, 1);
  EXPECT_EQ(Record(a), nullptr);
  EXPECT_EQ(kvx::TrackedModules[1]->FileName, b);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(Tracking, ClosingAPushedModuleDropsItAndDeletesTheShadowFileUnlessDebugging) {
  for (const bool debugging : {false, true}) {
    SCOPED_TRACE(debugging ? "debugging" : "idle");
    if (kvx::ToolServices == nullptr) StartExpert();
    StartCorvane();
    const std::string unit = MakeSource(debugging ? "d.pas" : "i.pas", "text");
    kvx::KvxModuleNotifier* record = Open(unit);
    kvx::PushToEditor(nullptr);
    const std::string shadow = record->ShadowName;
    ASSERT_TRUE(kvx::FindPlainFile(shadow));
    const std::size_t before = TranscriptSize();

    if (debugging) ide.StartDebugging();
    ASSERT_TRUE(ide.CloseFile(unit));
    ide.StopDebugging();
    EXPECT_EQ(Record(unit), nullptr);
    EXPECT_EQ(ide.ModuleNotifierCount(unit), 0u);
    EXPECT_EQ(CommandsSince(before), debugging ? Strings{} : Strings{Remove(unit)});
    EXPECT_EQ(kvx::FindPlainFile(shadow), debugging);
    StopCorvane();
  }
}

TEST_F(Tracking, SavingUnderANewNameFollowsTheModule) {
  StartCorvane();
  StartExpert();
  const std::string unit = MakeSource("old.pas", "text");
  kvx::KvxModuleNotifier* record = Open(unit);
  kvx::PushToEditor(nullptr);
  const std::string shadow = record->ShadowName;

  std::size_t before = TranscriptSize();
  ASSERT_TRUE(ide.SaveFile(unit));
  EXPECT_TRUE(CommandsSince(before).empty());
  EXPECT_TRUE(kvx::FindPlainFile(shadow));

  // While debugging the rename goes unnoticed.
  const std::string renamed = Source("new.pas");
  ide.StartDebugging();
  ASSERT_TRUE(ide.SaveFileAs(unit, renamed));
  ide.StopDebugging();
  EXPECT_EQ(record->FileName, unit);
  EXPECT_TRUE(kvx::FindPlainFile(shadow));

  before = TranscriptSize();
  ASSERT_TRUE(ide.SaveFile(renamed));
  EXPECT_EQ(record->FileName, renamed);
  EXPECT_EQ(CommandsSince(before), Strings{Remove(unit)});
  EXPECT_FALSE(kvx::FindPlainFile(shadow));
  EXPECT_EQ(record->ShadowName, shadow);
  EXPECT_TRUE(record->Announced);
  EXPECT_EQ(Record(renamed), record);

  // Without any edit after the rename, the next push still hands Corvane a
  // shadow file that exists, holding the buffer, under the new name.
  before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_TRUE(kvx::FindPlainFile(shadow));
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow), "text");
  EXPECT_FALSE(record->Modified);
  const Strings pushed = CommandsSince(before);
  ASSERT_EQ(pushed.size(), 1u);
  EXPECT_NE(pushed[0].find("/F=" + renamed + "/V=" + shadow), std::string::npos) << pushed[0];
}

TEST_F(Tracking, ClosingAModuleDropsItsOwnRecordWhenAnotherHasTheSameName) {
  StartExpert();
  const std::string a = MakeSource("a.pas", "a");
  const std::string b = MakeSource("b.pas", "b");
  kvx::KvxModuleNotifier* first = Open(a);
  kvx::KvxModuleNotifier* second = Open(b);
  // Renames made while debugging go unnoticed: the first record keeps the
  // old name a, which the second module then takes and reports at its save.
  ide.StartDebugging();
  ASSERT_TRUE(ide.SaveFileAs(a, Source("c.pas")));
  ASSERT_TRUE(ide.SaveFileAs(b, a));
  ide.StopDebugging();
  ASSERT_TRUE(ide.SaveFile(a));
  ASSERT_EQ(first->FileName, a);
  ASSERT_EQ(second->FileName, a);

  ASSERT_TRUE(ide.CloseFile(a));
  ASSERT_EQ(kvx::TrackedCount, 1);
  EXPECT_EQ(kvx::TrackedModules[1], first);
  EXPECT_EQ(ide.ModuleNotifierCount(Source("c.pas")), 1u);
}

}  // namespace
