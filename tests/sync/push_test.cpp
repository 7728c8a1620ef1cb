// The push: shadow files written when the buffer changed, the commands that
// make Corvane load them, the session switch, and what a failed write leaves.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/file_search.h"
#include "sync/push.h"
#include "tests/support/test_environment.h"
#include "tests/sync/sync_fixture.h"

namespace {

using synctest::SyncTest;
using Strings = std::vector<std::string>;

std::string Remove(const std::string& path) { return std::string(kvx::CmdRemoveFile) + path; }

std::string Reload(const std::string& flag, const std::string& positions, const std::string& path,
                   const std::string& shadow) {
  return std::string(kvx::CmdReloadFileEx) + flag + positions + "/F=" + path + "/V=" + shadow;
}

std::string Session(const std::string& project) {
  return std::string(kvx::CmdSession) + kvx::SessionPrefix + "proj" + "/DIR=" +
         project.substr(0, project.rfind('/') + 1);
}

timespec ModificationTime(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0);
  return info.st_mtim;
}

class Push : public SyncTest {
 protected:
  void SetUp() override {
    StartExpert();
    unit_ = MakeSource("unit1.pas", "unit one;\r\nend.\r\n");
    record_ = Open(unit_);
    ASSERT_NE(record_, nullptr);
    StartCorvane();
  }
  std::string unit_;
  kvx::KvxModuleNotifier* record_ = nullptr;
};

TEST_F(Push, AFirstPushWritesTheShadowFileThenDropsAndLoadsOnOneConversation) {
  kvx::PushToEditor(nullptr);
  const std::string shadow = ShadowDir() + "unit1.0.pas";
  EXPECT_EQ(record_->ShadowName, shadow);
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow), "unit one;\r\nend.\r\n");
  EXPECT_EQ(Exchanges(), (Strings{"connect", Remove(unit_),
                                  Reload("1", "/L=1/C=1/T=1", unit_, shadow), "disconnect"}));
  EXPECT_FALSE(record_->Modified);
  EXPECT_TRUE(record_->Announced);
  EXPECT_EQ(record_->BytesWritten, 17);
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(shadow, &found));
  EXPECT_EQ(record_->ShadowTime, found.Stamp);
  EXPECT_EQ(record_->ShadowWriteTime, found.WriteTime);
  EXPECT_TRUE(kvx::PushDone);
  EXPECT_FALSE(kvx::Pushing);
  // What Corvane now holds is the IDE's text.
  const auto state = corvane->State();
  const auto* held = state.FindFile(unit_);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->text, "unit one;\r\nend.\r\n");
}

TEST_F(Push, ASecondPushWithoutChangesOnlyReloads) {
  kvx::PushToEditor(nullptr);
  const std::string shadow = record_->ShadowName;
  const timespec written = ModificationTime(shadow);
  usleep(20000);
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(CommandsSince(before), Strings{Reload("1", "/L=1/C=1/T=1", unit_, shadow)});
  const timespec again = ModificationTime(shadow);
  EXPECT_EQ(again.tv_sec, written.tv_sec);
  EXPECT_EQ(again.tv_nsec, written.tv_nsec);

  // A change is written again under the same name.
  ASSERT_TRUE(ide.InsertText(unit_, 0, "{x}"));
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(record_->ShadowName, shadow);
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow), "{x}unit one;\r\nend.\r\n");
}

TEST_F(Push, TheReloadCarriesActiveFlagAndPositions) {
  const std::string other = MakeSource("other.pas", "x");
  kvx::KvxModuleNotifier* otherRecord = Open(other);
  ASSERT_TRUE(ide.SelectFile(unit_));
  ASSERT_TRUE(ide.SetCursor(unit_, 12, 5));
  ASSERT_TRUE(ide.SetTopLine(unit_, 3));
  ASSERT_TRUE(ide.SetCursor(other, 12345678, 123));
  ASSERT_TRUE(ide.SetTopLine(other, 99999999));
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(CommandsSince(before),
            (Strings{Remove(unit_), Reload("1", "/L=12/C=5/T=3", unit_, record_->ShadowName),
                     Remove(other),
                     Reload("0", "/L=1234567/C=123/T=9999999", other, otherRecord->ShadowName)}));
}

TEST_F(Push, AModuleWithoutViewIsNeitherWrittenNorAnnounced) {
  ASSERT_TRUE(ide.SetViewCount(unit_, 0));
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_TRUE(CommandsSince(before).empty());
  EXPECT_TRUE(record_->ShadowName.empty());
  EXPECT_TRUE(record_->Modified);
  EXPECT_FALSE(record_->Announced);
  EXPECT_TRUE(kvx::PushDone);
}

TEST_F(Push, TheSessionIsSwitchedOncePerExistingProject) {
  const std::string project = MakeSource("proj.dpr", "program proj;");
  ASSERT_TRUE(ide.OpenProject(project));
  ASSERT_TRUE(ide.SelectFile(unit_));
  const std::size_t first = TranscriptSize();
  for (int sweep = 0; sweep < 2; ++sweep) kvx::PushToEditor(nullptr);
  Strings sessions;
  for (const std::string& command : CommandsSince(first)) {
    if (command.starts_with(kvx::CmdSession)) sessions.push_back(command);
  }
  EXPECT_EQ(sessions, Strings{Session(project)});
  EXPECT_EQ(kvx::SessionProject, project);
  EXPECT_EQ(CommandsSince(first).front(), Session(project));  // before any module

  // Another project, not on disk yet: tried at every sweep until it exists.
  const std::string second = Source("sub/proj.dpr");
  ASSERT_TRUE(ide.CloseProject());
  ASSERT_TRUE(ide.OpenProject(second));
  std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvx::SessionProject, project);
  ASSERT_EQ(mkdir(Source("sub").c_str(), 0700), 0);
  kvxtest::WriteFileBytes(second, "program proj;");
  kvx::PushToEditor(nullptr);
  kvx::PushToEditor(nullptr);
  Strings later;
  for (const std::string& command : CommandsSince(before)) {
    if (command.starts_with(kvx::CmdSession)) later.push_back(command);
  }
  EXPECT_EQ(later, Strings{Session(second)});
}

TEST_F(Push, NoSessionWithoutProjectTracking) {
  kvx::TrackProjects = false;
  ASSERT_TRUE(ide.OpenProject(MakeSource("proj.dpr", "program proj;")));
  kvx::PushToEditor(nullptr);
  for (const std::string& command : Commands()) EXPECT_FALSE(command.starts_with(kvx::CmdSession));
  EXPECT_EQ(kvx::SessionProject, "");
}

TEST_F(Push, AnEmptyCurrentFileIsTakenFromTheHost) {
  const std::string other = MakeSource("other.pas", "x");
  Open(other);
  ASSERT_TRUE(ide.SelectFile(unit_));
  kvx::CurrentFile.clear();
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvx::CurrentFile, unit_);
  // Filled before the modules are pushed: the reload marks it active.
  const Strings pushed = CommandsSince(before);
  ASSERT_EQ(pushed.size(), 4u);
  EXPECT_EQ(pushed[1], Reload("1", "/L=1/C=1/T=1", unit_, record_->ShadowName));
}

TEST_F(Push, WithNoModuleOpenTheSessionIsStillSwitched) {
  const std::string project = MakeSource("proj.dpr", "program proj;");
  ASSERT_TRUE(ide.OpenProject(project));
  ASSERT_TRUE(ide.CloseFile(unit_));
  ASSERT_TRUE(ide.CloseFile(project));  // the project stays open
  ASSERT_EQ(kvx::TrackedCount, 0);
  const std::size_t before = TranscriptSize();
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(CommandsSince(before), Strings{Session(project)});
  EXPECT_TRUE(kvx::PushDone);
}

TEST_F(Push, BuffersLongerThanOneChunkArriveWhole) {
  std::string text;
  for (int i = 0; text.size() < 70001; ++i) text += "line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(ide.ReplaceText(unit_, 0, 17, text));
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvxtest::ReadFileBytes(record_->ShadowName), text);
  EXPECT_EQ(record_->BytesWritten, static_cast<int32_t>(text.size()));
}

TEST_F(Push, ATrailingBlankOfANeverSavedModuleIsNotCounted) {
  const std::string fresh = Source("fresh.pas");  // not on disk
  kvx::KvxModuleNotifier* freshRecord = Open(fresh);
  ASSERT_TRUE(ide.InsertText(fresh, 0, "abc "));
  ASSERT_TRUE(ide.InsertText(unit_, 17, " "));
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvxtest::ReadFileBytes(freshRecord->ShadowName), "abc ");
  EXPECT_EQ(freshRecord->BytesWritten, 3);
  EXPECT_EQ(record_->BytesWritten, 18);
}

TEST_F(Push, AReadOnlySourceGivesAReadOnlyShadowThatIsStillReplaced) {
  ASSERT_EQ(chmod(unit_.c_str(), 0444), 0);
  kvx::PushToEditor(nullptr);
  kvx::FoundFile found;
  ASSERT_TRUE(kvx::FindPlainFile(record_->ShadowName, &found));
  EXPECT_NE(found.Attributes & FILE_ATTRIBUTE_READONLY, 0u);
  ASSERT_TRUE(ide.InsertText(unit_, 0, "new "));
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvxtest::ReadFileBytes(record_->ShadowName), "new unit one;\r\nend.\r\n");
}

TEST_F(Push, ShadowFilesArePrivateAndNeverWrittenThroughALink) {
  const std::string victim = MakeSource("victim.txt", "keep");
  const std::string shadow = ShadowDir() + "unit1.0.pas";
  // Planted after the name was chosen: the next write must not go through it.
  kvx::PushToEditor(nullptr);
  ASSERT_EQ(unlink(shadow.c_str()), 0);
  ASSERT_EQ(symlink(victim.c_str(), shadow.c_str()), 0);
  ASSERT_TRUE(ide.InsertText(unit_, 0, "x"));
  kvx::PushToEditor(nullptr);
  EXPECT_EQ(kvxtest::ReadFileBytes(victim), "keep");
  struct stat info {};
  ASSERT_EQ(lstat(shadow.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow), "xunit one;\r\nend.\r\n");
}

TEST_F(Push, AFailedOrShortWriteKeepsTheModuleModifiedAndIsNotOffered) {
  const WinsubFaultPoint faults[] = {WINSUB_FAULT_CREATE_FILE, WINSUB_FAULT_WRITE_FILE,
                                     WINSUB_FAULT_WRITE_FILE_SHORT};
  kvx::PushToEditor(nullptr);  // a good copy first
  const std::string shadow = record_->ShadowName;
  for (const WinsubFaultPoint fault : faults) {
    SCOPED_TRACE(fault);
    ASSERT_TRUE(ide.InsertText(unit_, 0, "x"));
    const int32_t bytes = record_->BytesWritten;
    const std::size_t before = TranscriptSize();
    WinsubInjectFault(fault, 0, 1);
    kvx::PushToEditor(nullptr);
    WinsubClearFaults();
    EXPECT_TRUE(record_->Modified);
    EXPECT_EQ(record_->BytesWritten, bytes);
    EXPECT_FALSE(kvx::FindPlainFile(shadow));  // no partial text left
    EXPECT_TRUE(CommandsSince(before).empty());

    // The next push writes it in full and offers it.
    kvx::PushToEditor(nullptr);
    EXPECT_FALSE(record_->Modified);
    EXPECT_EQ(kvxtest::ReadFileBytes(shadow), *ide.BufferText(unit_));
    EXPECT_EQ(CommandsSince(before), Strings{Reload("1", "/L=1/C=1/T=1", unit_, shadow)});
  }
}

TEST_F(Push, WithoutCorvaneNothingIsWrittenAndNoPullMayFollow) {
  StopCorvane();
  kvx::PushDone = true;
  kvx::PushToEditor(nullptr);
  EXPECT_FALSE(kvx::PushDone);
  EXPECT_FALSE(kvx::Pushing);
  EXPECT_TRUE(record_->Modified);
  EXPECT_TRUE(record_->ShadowName.empty());
}

TEST_F(Push, NothingIsExchangedWhileDebugging) {
  ide.StartDebugging();
  kvx::PushDone = true;
  kvx::PushToEditor(nullptr);
  EXPECT_TRUE(kvx::PushDone);  // left as it was
  EXPECT_TRUE(Exchanges().empty());
  EXPECT_TRUE(record_->ShadowName.empty());
}

}  // namespace
