#include "corvane_standin/editor_model.h"

#include <sys/stat.h>

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "tests/support/test_environment.h"
#include "tests/standin/wire_texts.h"

namespace kvx::standin {
namespace {

using namespace std::string_literals;

using standintest::Macro;

std::string Reload(const std::string& flag, const std::string& place, const std::string& file,
                   const std::string& shadow) {
  return Macro(std::string(CmdReloadFileEx) + flag + place + "/F=" + file + "/V=" + shadow);
}

std::string SetupText(const std::string& name, bool integer) {
  return "[SETUPGLOBAL(\"" + name + (integer ? "\",\"1\")]\0"s : "\",\"0\")]\0"s);
}

class EditorModelTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = kvxtest::MakeScratchSubdirectory("model");
    source_ = dir_ + "/unit1.pas";
    shadow_ = dir_ + "/unit1.0.pas";
    kvxtest::WriteFileBytes(source_, "on disk\r\n");
    kvxtest::WriteFileBytes(shadow_, "from the IDE\r\n");
  }

  void Run(const std::string& bytes) {
    const Outcome outcome = model_.Execute(bytes);
    ASSERT_TRUE(outcome) << outcome.reason;
  }

  // What the link reads: set-up, request, reset.
  std::optional<std::string> Query(const std::string& name, bool integer) {
    EXPECT_TRUE(model_.Execute(SetupText(name, integer)));
    auto answer = model_.Request(name);
    EXPECT_TRUE(model_.Execute("[RESETGLOBAL(\"" + name + "\"\")]\0"s));
    return answer;
  }

  std::string dir_, source_, shadow_;
  EditorModel model_;
};

TEST_F(EditorModelTest, ReloadLoadsTheShadowTextAtThePlaceGiven) {
  Run(Reload("1", "/L=12/C=5/T=3", source_, shadow_));
  EditorState state = model_.State();
  ASSERT_EQ(state.files.size(), 1u);
  EXPECT_EQ(state.files[0], (FileState{source_, shadow_, "from the IDE\r\n", 12, 5, 3, false}));
  EXPECT_EQ(state.activeFile, source_);

  // Again without a place and not active: the text is re-read, the cursor stays.
  kvxtest::WriteFileBytes(shadow_, "second");
  Run(Reload("0", "", source_, shadow_));
  state = model_.State();
  ASSERT_EQ(state.files.size(), 1u);
  EXPECT_EQ(state.files[0].text, "second");
  EXPECT_EQ(state.files[0].line, 12);
  EXPECT_EQ(state.activeFile, source_);
}

TEST_F(EditorModelTest, ReloadOfAnUnreadableShadowIsRefusedAndChangesNothing) {
  const Outcome outcome = model_.Execute(Reload("1", "", source_, dir_ + "/missing.0.pas"));
  EXPECT_FALSE(outcome);
  EXPECT_NE(outcome.reason.find("missing.0.pas"), std::string::npos);
  // A directory is no file either.
  EXPECT_FALSE(model_.Execute(Reload("1", "", source_, dir_)));
  EXPECT_TRUE(model_.State().files.empty());
  EXPECT_EQ(model_.State().activeFile, "");
}

TEST_F(EditorModelTest, PathsHoldingTheSuffixOrTheShadowMarkerLoadTheRightFiles) {
  const std::string oddDir = dir_ + "/a\")]b/V=c";
  ASSERT_EQ(mkdir((dir_ + "/a\")]b").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(oddDir.c_str(), 0700), 0);
  const std::string oddSource = oddDir + "/u.pas";
  const std::string oddShadow = oddDir + "/u.0.pas";
  kvxtest::WriteFileBytes(oddShadow, "odd");
  Run(Reload("1", "", oddSource, oddShadow));
  const EditorState state = model_.State();
  ASSERT_EQ(state.files.size(), 1u);
  EXPECT_EQ(state.files[0].path, oddSource);
  EXPECT_EQ(state.files[0].shadow, oddShadow);
  EXPECT_EQ(state.files[0].text, "odd");
}

TEST_F(EditorModelTest, RemoveDropsTheFileAndIsHarmlessForOneNotHeld) {
  Run(Reload("1", "", source_, shadow_));
  Run(Macro(std::string(CmdRemoveFile) + dir_ + "/other.pas"));
  EXPECT_EQ(model_.State().files.size(), 1u);
  Run(Macro(std::string(CmdRemoveFile) + source_));
  EXPECT_TRUE(model_.State().files.empty());
  EXPECT_EQ(model_.State().activeFile, "");
}

TEST_F(EditorModelTest, ANewSessionDropsTheOldSessionsFiles) {
  Run(Macro(std::string(CmdSession) + "Delphi 3-P/DIR=/apps/"));
  Run(Reload("1", "", source_, shadow_));
  Run(Macro(std::string(CmdSession) + "Delphi 3-P/DIR=/apps2/"));  // same session
  EditorState state = model_.State();
  EXPECT_EQ(state.session, "Delphi 3-P");
  EXPECT_EQ(state.sessionDirectory, "/apps2/");
  EXPECT_EQ(state.files.size(), 1u);
  Run(Macro(std::string(CmdSession) + "Delphi 3-Q/DIR=/q/"));
  state = model_.State();
  EXPECT_EQ(state.session, "Delphi 3-Q");
  EXPECT_TRUE(state.files.empty());
  EXPECT_EQ(state.activeFile, "");
}

TEST_F(EditorModelTest, ActivationIsCounted) {
  Run(Macro(CmdActivate));
  Run(Macro(CmdActivate));
  EXPECT_EQ(model_.State().activations, 2u);
}

TEST_F(EditorModelTest, ActiveFileGlobalIsSetByTheCommandTheLinkRunsBeforeItsQuery) {
  Run(Macro(CmdGetActiveFile));
  EXPECT_EQ(Query(GlobalActiveFile, false), "\0"s);
  Run(Reload("1", "", source_, shadow_));
  Run(Macro(CmdGetActiveFile));
  EXPECT_EQ(Query(GlobalActiveFile, false), source_ + '\0');
  // The reset after the query removed it: a request now answers nothing.
  EXPECT_EQ(model_.Request(GlobalActiveFile), std::nullopt);
}

TEST_F(EditorModelTest, FileInfoDescribesTheFileAndItsReloadFromDisk) {
  const std::string info = std::string(CmdGetFileInfo) + source_;
  Run(Macro(info));
  for (const char* name : {GlobalCurPosFlags, GlobalCurPosLine, GlobalCurPosColumn, GlobalCurPosTop})
    EXPECT_EQ(Query(name, true), "\0\0\0\0"s) << name;

  Run(Reload("0", "/L=200/C=90/T=150", source_, shadow_));
  Run(Macro(info));
  EXPECT_EQ(Query(GlobalCurPosFlags, true), "\0\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosLine, true), "\xC8\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosColumn, true), "\x5A\0\0\0"s);
  EXPECT_EQ(Query(GlobalCurPosTop, true), "\x96\0\0\0"s);

  ASSERT_TRUE(model_.ReloadFromDisk(source_));
  Run(Macro(info));
  EXPECT_EQ(Query(GlobalCurPosFlags, true), "\0\0\x01\0"s);
  EXPECT_EQ(model_.State().files[0].text, "on disk\r\n");
  // The link loading the file again clears the flag.
  Run(Reload("0", "", source_, shadow_));
  Run(Macro(info));
  EXPECT_EQ(Query(GlobalCurPosFlags, true), "\0\0\0\0"s);
}

TEST_F(EditorModelTest, UserActionsChangeTheHeldFileAndSaveInPlace) {
  Run(Reload("1", "", source_, shadow_));
  struct stat before {};
  ASSERT_EQ(stat(shadow_.c_str(), &before), 0);

  ASSERT_TRUE(model_.StampShadow(source_, -100));
  struct stat stamped {};
  ASSERT_EQ(stat(shadow_.c_str(), &stamped), 0);
  EXPECT_LT(stamped.st_mtime, before.st_mtime - 50);

  ASSERT_TRUE(model_.EditAndSave(source_, "edited in the editor\n"));
  struct stat after {};
  ASSERT_EQ(stat(shadow_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_GT(after.st_mtime, stamped.st_mtime);
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow_), "edited in the editor\n");

  ASSERT_TRUE(model_.MoveCursor(source_, CursorPlace{40, 2, 30}));
  const FileState file = model_.State().files[0];
  EXPECT_EQ(file.text, "edited in the editor\n");
  EXPECT_EQ((CursorPlace{file.line, file.column, file.top}), (CursorPlace{40, 2, 30}));

  const std::string absent = dir_ + "/absent.pas";
  EXPECT_FALSE(model_.EditAndSave(absent, "x"));
  EXPECT_FALSE(model_.MoveCursor(absent, CursorPlace{}));
  EXPECT_FALSE(model_.ReloadFromDisk(absent));
  EXPECT_FALSE(model_.MakeActive(absent));
  EXPECT_FALSE(model_.StampShadow(absent, 0));
}

TEST_F(EditorModelTest, SavingFailsCleanlyWhenTheShadowFileIsGone) {
  Run(Reload("1", "", source_, shadow_));
  ASSERT_EQ(unlink(shadow_.c_str()), 0);
  EXPECT_FALSE(model_.EditAndSave(source_, "lost"));
  EXPECT_EQ(model_.State().files[0].text, "from the IDE\r\n");
  ASSERT_EQ(unlink(source_.c_str()), 0);
  EXPECT_FALSE(model_.ReloadFromDisk(source_));
  EXPECT_FALSE(model_.State().files[0].reloadedFromDisk);
}

TEST_F(EditorModelTest, MakeActiveSwitchesTheActiveFile) {
  const std::string second = dir_ + "/unit2.pas";
  Run(Reload("1", "", source_, shadow_));
  Run(Reload("0", "", second, shadow_));
  EXPECT_EQ(model_.State().activeFile, source_);
  ASSERT_TRUE(model_.MakeActive(second));
  EXPECT_EQ(model_.State().activeFile, second);
}

TEST_F(EditorModelTest, MalformedExecutesAreRefusedWithoutEffect) {
  const std::string cases[] = {
      "[RUNMACRO(\"Remote^RemActivate\")]"s,
      "[RUNMACRO(\"Remote^RemRemoveFile /F=C:\\x\")]\0"s,
      "[RUNMACRO(\"Remote^RemBogus\")]\0"s,
      "[SETUPGLOBAL(\"!X\",\"9\")]\0"s,
  };
  for (const std::string& bytes : cases) {
    const Outcome outcome = model_.Execute(bytes);
    EXPECT_FALSE(outcome);
    EXPECT_FALSE(outcome.reason.empty());
  }
  EXPECT_EQ(model_.State(), EditorState{});
}

TEST_F(EditorModelTest, DamagedTextsNeverBreakTheModel) {
  const std::string seeds[] = {
      Reload("1", "/L=12/C=5/T=3", source_, shadow_),
      Macro(std::string(CmdGetFileInfo) + source_),
      Macro(std::string(CmdSession) + "S/DIR=/d/"),
      SetupText(GlobalCurPosLine, true),
      "[RESETGLOBAL(\"!REMCURPOS_L\"\")]\0"s,
  };
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = seeds[random() % std::size(seeds)];
    for (int edits = 1 + static_cast<int>(random() % 3); edits > 0 && !bytes.empty(); --edits) {
      const std::size_t at = random() % bytes.size();
      const char byte = "\\\"/)]=\0V"[random() % 8];
      switch (random() % 3) {
        case 0: bytes[at] = byte; break;
        case 1: bytes.insert(at, 1, byte); break;
        default: bytes.erase(at, 1 + random() % 4); break;
      }
    }
    const Outcome outcome = model_.Execute(bytes);
    EXPECT_EQ(outcome.done, outcome.reason.empty()) << testing::PrintToString(bytes);
    if (bytes.find('\0') == std::string::npos) {
      EXPECT_FALSE(outcome);
    }
  }
}

}  // namespace
}  // namespace kvx::standin
