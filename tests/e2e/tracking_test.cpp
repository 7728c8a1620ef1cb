// Files that change name or leave the IDE, and projects that change.
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/link_fixture.h"

namespace e2e {
namespace {

using Commands = std::vector<std::string>;

class Tracking : public LinkTest, public testing::TestWithParam<Variant> {};

TEST_P(Tracking, SaveUnderANewNameDropsTheOldNameAndTheRecordFollows) {
  const std::string oldName = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  const std::string newName = Source("renamed.pas");
  const std::string shadow = Shadow("unit1.0.pas");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenFile(oldName));
  LeaveIde();
  ASSERT_TRUE(Exists(shadow));
  ReturnToIde();

  std::size_t mark = Mark();
  ASSERT_TRUE(ide_.SaveFileAs(oldName, newName));
  EXPECT_EQ(CommandsSince(mark), (Commands{RemoveCmd(oldName)}));
  EXPECT_FALSE(Exists(shadow));
  EXPECT_EQ(CorvaneState().FindFile(oldName), nullptr);
  EXPECT_EQ(ReadFile(newName), "unit Unit1;\r\nend.\r\n");

  // The next push after an edit writes the same shadow file under the new name.
  ASSERT_TRUE(ide_.InsertText(newName, 0, "// renamed\r\n"));
  mark = Mark();
  LeaveIde();
  EXPECT_EQ(CommandsSince(mark), (Commands{ReloadCmd('0', 1, 1, 1, newName, shadow)}));
  EXPECT_EQ(ReadFile(shadow), "// renamed\r\nunit Unit1;\r\nend.\r\n");
  const auto state = CorvaneState();
  EXPECT_EQ(state.FindFile(oldName), nullptr);
  ASSERT_NE(state.FindFile(newName), nullptr);
  EXPECT_EQ(state.FindFile(newName)->text, "// renamed\r\nunit Unit1;\r\nend.\r\n");
}

TEST_P(Tracking, AClosedModuleLeavesCorvaneAndItsShadowFileGoes) {
  const std::string unit1 = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  const std::string unit2 = WriteSource("unit2.pas", "unit Unit2;\r\nend.\r\n");
  StartCorvane();
  LoadExpert();
  ASSERT_TRUE(ide_.OpenFile(unit1));
  ASSERT_TRUE(ide_.OpenFile(unit2));
  LeaveIde();
  ReturnToIde();
  ASSERT_TRUE(Exists(Shadow("unit1.0.pas")));

  std::size_t mark = Mark();
  ASSERT_TRUE(ide_.CloseFile(unit1));
  EXPECT_EQ(CommandsSince(mark), (Commands{RemoveCmd(unit1)}));
  EXPECT_FALSE(Exists(Shadow("unit1.0.pas")));
  EXPECT_TRUE(Exists(Shadow("unit2.0.pas")));
  EXPECT_EQ(CorvaneState().FindFile(unit1), nullptr);
  EXPECT_EQ(ReadFile(unit1), "unit Unit1;\r\nend.\r\n");

  mark = Mark();
  LeaveIde();
  EXPECT_EQ(CommandsSince(mark),
            (Commands{ReloadCmd('1', 1, 1, 1, unit2, Shadow("unit2.0.pas"))}));
  // Opened again, it is a new module: announced and written afresh.
  ASSERT_TRUE(ide_.OpenFile(unit1));
  mark = Mark();
  LeaveIde();
  EXPECT_EQ(CommandsSince(mark),
            (Commands{ReloadCmd('0', 1, 1, 1, unit2, Shadow("unit2.0.pas")), RemoveCmd(unit1),
                      ReloadCmd('1', 1, 1, 1, unit1, Shadow("unit1.0.pas"))}));
}

INSTANTIATE_TEST_SUITE_P(E2E, Tracking, testing::Values(ThisVariant()), VariantName);

// ---------------------------------------------------------------- projects

struct ProjectRow {
  const char* name;
  bool trackProjects;
};
void PrintTo(const ProjectRow& row, std::ostream* out) { *out << row.name; }

class ProjectSwitch : public LinkTest, public testing::TestWithParam<ProjectRow> {};

TEST_P(ProjectSwitch, OneSessionCommandPerProjectOnlyWhenTracking) {
  const bool tracking = GetParam().trackProjects;
  const std::string prefix = ThisVariant().sessionPrefix;
  const std::string first = WriteSource("first.dpr", "program First;\r\nend.\r\n");
  const std::string unit1 = WriteSource("unit1.pas", "unit Unit1;\r\nend.\r\n");
  mkdir((sourceDir_ + "/other").c_str(), 0700);
  const std::string second = WriteSource("other/second.dpr", "program Second;\r\nend.\r\n");
  const std::string unit2 = WriteSource("other/unit2.pas", "unit Unit2;\r\nend.\r\n");
  StartCorvane();
  Settings settings;
  settings.trackProjects = tracking ? 1 : 0;
  LoadExpert(settings);

  ASSERT_TRUE(ide_.OpenProject(first));
  ASSERT_TRUE(ide_.OpenFile(unit1));
  const std::size_t start = Mark();
  for (int round = 0; round < 2; ++round) {
    LeaveIde();
    ReturnToIde();
  }
  ASSERT_TRUE(ide_.OpenProject(second));  // closes the first with its files
  ASSERT_TRUE(ide_.OpenFile(unit2));
  for (int round = 0; round < 2; ++round) {
    LeaveIde();
    ReturnToIde();
  }

  const Commands commands = CommandsSince(start);
  const std::string firstSession = SessionCmd(prefix + "first", sourceDir_ + "/");
  const std::string secondSession = SessionCmd(prefix + "second", sourceDir_ + "/other/");
  EXPECT_EQ(Count(commands, firstSession), tracking ? 1u : 0u);
  EXPECT_EQ(Count(commands, secondSession), tracking ? 1u : 0u);
  for (const std::string& command : commands) {
    if (!tracking) {
      EXPECT_FALSE(command.starts_with("SessMgr")) << command;
    }
  }
  if (tracking) {
    // Each session command leads its project's first push.
    const auto at = [&](const std::string& command) {
      return std::find(commands.begin(), commands.end(), command) - commands.begin();
    };
    EXPECT_LT(at(firstSession), at(ReloadCmd('1', 1, 1, 1, unit1, Shadow("unit1.0.pas"))));
    EXPECT_LT(at(secondSession), at(ReloadCmd('1', 1, 1, 1, unit2, Shadow("unit2.0.pas"))));
  }
  // Closing the first project took its files out of Corvane.
  EXPECT_EQ(Count(commands, RemoveCmd(unit1)), 2u);  // first push, then the close
  const auto state = CorvaneState();
  EXPECT_EQ(state.session, tracking ? prefix + "second" : "");
  EXPECT_EQ(state.FindFile(unit1), nullptr);
  ASSERT_NE(state.FindFile(unit2), nullptr);
  EXPECT_EQ(state.FindFile(unit2)->text, "unit Unit2;\r\nend.\r\n");
}

INSTANTIATE_TEST_SUITE_P(E2E, ProjectSwitch,
                         testing::Values(ProjectRow{"tracking", true},
                                         ProjectRow{"not_tracking", false}),
                         RowName<ProjectRow>);

}  // namespace
}  // namespace e2e
