// Leaving the IDE for Corvane and coming back: the push, the edit in
// Corvane, the pull; and Corvane's reload of a file from disk.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/link_fixture.h"

namespace e2e {
namespace {

using Commands = std::vector<std::string>;

class RoundTrip : public LinkTest, public testing::TestWithParam<Variant> {};

TEST_P(RoundTrip, LeaveEditInCorvaneAndReturn) {
  const std::string project = WriteSource("proj.dpr", "program Proj;\r\nbegin\r\nend.\r\n");
  const std::string unit1 = WriteSource("unit1.pas", "unit Unit1;\r\ninterface\r\nend.\r\n");
  const std::string unit2 = WriteSource("unit2.pas", "unit Unit2;\r\nend.\r\n");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenProject(project));
  ASSERT_TRUE(ide_.OpenFile(unit1));
  ASSERT_TRUE(ide_.OpenFile(unit2));
  ASSERT_TRUE(ide_.InsertText(unit2, 13, "// typed in the IDE\r\n"));
  ASSERT_TRUE(ide_.SelectFile(unit1));
  ASSERT_TRUE(ide_.SetCursor(unit1, 3, 2));
  ASSERT_TRUE(ide_.SetTopLine(unit1, 2));
  // Opening a file while Corvane runs makes it drop any old copy.
  EXPECT_EQ(CommandsSince(0), (Commands{RemoveCmd(project), RemoveCmd(unit1), RemoveCmd(unit2)}));

  // ---- leave: every open module goes to its shadow file and into Corvane
  std::size_t mark = Mark();
  LeaveIde();
  const std::string projectShadow = Shadow("proj.0.dpr");
  const std::string shadow1 = Shadow("unit1.0.pas");
  const std::string shadow2 = Shadow("unit2.0.pas");
  EXPECT_EQ(CommandsSince(mark),
            (Commands{SessionCmd(std::string(ThisVariant().sessionPrefix) + "proj", sourceDir_ + "/"),
                      RemoveCmd(project), ReloadCmd('0', 1, 1, 1, project, projectShadow),
                      RemoveCmd(unit1), ReloadCmd('1', 3, 2, 2, unit1, shadow1),
                      RemoveCmd(unit2), ReloadCmd('0', 1, 1, 1, unit2, shadow2)}));
  const std::string typed = "unit Unit2;\r\n// typed in the IDE\r\nend.\r\n";
  EXPECT_EQ(ReadFile(shadow1), "unit Unit1;\r\ninterface\r\nend.\r\n");
  EXPECT_EQ(ReadFile(shadow2), typed);
  EXPECT_EQ(ReadFile(unit2), "unit Unit2;\r\nend.\r\n");  // the IDE has not saved it
  auto state = CorvaneState();
  EXPECT_EQ(state.session, std::string(ThisVariant().sessionPrefix) + "proj");
  EXPECT_EQ(state.activeFile, unit1);
  ASSERT_NE(state.FindFile(unit2), nullptr);
  EXPECT_EQ(state.FindFile(unit2)->text, typed);
  ASSERT_NE(state.FindFile(unit1), nullptr);
  EXPECT_EQ(state.FindFile(unit1)->line, 3);
  EXPECT_EQ(state.FindFile(unit1)->column, 2);

  // ---- in Corvane: edit and save unit2, move the cursor, make it active
  const std::string edited = "unit Unit2;\r\n// typed in the IDE\r\n// and in Corvane\r\nend.\r\n";
  ASSERT_TRUE(Control().Edit(unit2, edited));
  ASSERT_TRUE(Control().MoveCursor(unit2, 3, 7, 1));
  ASSERT_TRUE(Control().MakeActive(unit2));

  // ---- return: the text, the cursor and the active file come back
  mark = Mark();
  ReturnToIde();
  EXPECT_EQ(ide_.BufferText(unit2), edited);
  EXPECT_EQ(ReadFile(unit2), edited);  // saved after the take-over
  EXPECT_EQ(ide_.BufferText(unit1), "unit Unit1;\r\ninterface\r\nend.\r\n");
  EXPECT_EQ(ReadFile(unit1), "unit Unit1;\r\ninterface\r\nend.\r\n");
  const auto cursor = ide_.Cursor(unit2);
  ASSERT_TRUE(cursor.has_value());
  // Copies: the Delphi 3 host packs the position, so its fields are unaligned.
  const long cursorLine = cursor->Line;
  const long cursorColumn = cursor->Col;
  EXPECT_EQ(cursorLine, 3);
  EXPECT_EQ(cursorColumn, 7);
  ASSERT_FALSE(ide_.ShownSources().empty());
  EXPECT_EQ(ide_.ShownSources().back(), unit2);
  EXPECT_EQ(ide_.FrontFile(), unit2);
  EXPECT_EQ(CommandsSince(mark), (Commands{ActiveFileCmd, FileInfoCmd(project), FileInfoCmd(unit1),
                                           FileInfoCmd(unit2)}));
  const Commands perModule = {"!REMCURPOS_F", "!REMCURPOS_L", "!REMCURPOS_C", "!REMCURPOS_T"};
  Commands requests = {"!REMACTIVEFILE"};
  for (int module = 0; module < 3; ++module) {
    requests.insert(requests.end(), perModule.begin(), perModule.end());
  }
  EXPECT_EQ(RequestsSince(mark), requests);
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());

  // ---- leave again: no second announcement, Corvane keeps its edit
  mark = Mark();
  LeaveIde();
  const Commands again = CommandsSince(mark);
  EXPECT_EQ(Count(again, RemoveCmd(unit2)), 0u);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again[2], ReloadCmd('0', 3, 7, 1, unit2, shadow2));
  state = CorvaneState();
  ASSERT_NE(state.FindFile(unit2), nullptr);
  EXPECT_EQ(state.FindFile(unit2)->text, edited);
  EXPECT_EQ(ReadFile(shadow2), edited);

  // A second save in Corvane moments later (within the same two-second
  // stamp) still comes back.
  const std::string again2 = edited + "// saved again at once\r\n";
  ASSERT_TRUE(Control().Edit(unit2, again2));
  ReturnToIde();
  EXPECT_EQ(ide_.BufferText(unit2), again2);
  EXPECT_EQ(ReadFile(unit2), again2);
}

INSTANTIATE_TEST_SUITE_P(E2E, RoundTrip, testing::Values(ThisVariant()), VariantName);

// ---------------------------------------------------------------- reload

struct ReloadRow {
  const char* name;
  bool unsavedInIde;
  int answer;  // queued for the question; 0: none expected
  bool reloaded;
};
void PrintTo(const ReloadRow& row, std::ostream* out) { *out << row.name; }

class CorvaneReload : public LinkTest, public testing::TestWithParam<ReloadRow> {};

std::string OverwriteQuestion(const std::string& file) {
  return "The original version of " + file +
         " has been loaded into Corvane, possibly due to a VCS operation. "
         "However, the IDE buffer appears to have been modified.  If the IDE reloads the file, "
         "changes you have made may be lost.  If it does not reload the file, changes made in "
         "Corvane may be lost.  If you wish, you may make a backup copy of the original file "
         "before proceeding\r\n\r\nDo you wish to reload the file and overwrite your changes?";
}

TEST_P(CorvaneReload, FileReloadedFromDiskInCorvaneIsReloadedInTheIde) {
  const ReloadRow& row = GetParam();
  const std::string unit = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenFile(unit));
  ASSERT_TRUE(ide_.InsertText(unit, 0, "{ IDE }"));
  if (!row.unsavedInIde) {
    ASSERT_TRUE(ide_.SaveFile(unit));
  }
  const std::string ideText = "{ IDE }unit Unit1;\r\nend.\r\n";
  LeaveIde();

  // A version-control operation changes the file; Corvane reloads it.
  const std::string fromDisk = "unit Unit1; { from version control }\r\nend.\r\n";
  WriteSource("unit1.pas", fromDisk);
  ASSERT_TRUE(Control().ReloadFromDisk(unit));
  if (row.answer != 0) ide_.QueueMessageBoxAnswer(row.answer);
  ReturnToIde();

  const auto& boxes = ide_.MessageBoxesShown();
  if (row.unsavedInIde) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "WARNING: Overwrite Verification Needed!");
    EXPECT_EQ(boxes[0].text, OverwriteQuestion(unit));
    EXPECT_EQ(boxes[0].style, 0x34u);  // Yes/No, warning icon
    EXPECT_EQ(boxes[0].owner, ide_.AppBuilderWindow());
    EXPECT_TRUE(boxes[0].prepared);
  } else {
    EXPECT_TRUE(boxes.empty());
  }
  EXPECT_EQ(ide_.BufferText(unit), row.reloaded ? fromDisk : ideText);
  EXPECT_EQ(ide_.IsModified(unit), !row.reloaded && row.unsavedInIde);
  EXPECT_EQ(ide_.Reloads().size(), row.reloaded ? 1u : 0u);
  EXPECT_EQ(ReadFile(unit), fromDisk);
}

INSTANTIATE_TEST_SUITE_P(
    E2E, CorvaneReload,
    testing::Values(ReloadRow{"saved", false, 0, true}, ReloadRow{"unsaved_yes", true, IDYES, true},
                    ReloadRow{"unsaved_no", true, IDNO, false}),
    RowName<ReloadRow>);

}  // namespace
}  // namespace e2e
