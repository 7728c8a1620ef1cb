// Splitting file names, session names and the choice of shadow file names.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/file_names.h"
#include "sync/shadow_files.h"
#include "tests/support/test_environment.h"

namespace {

struct NameCase {
  const char* name;
  const char* directory;
  const char* file;
  const char* extension;
  const char* withoutExtension;
};

TEST(FileNames, SplitsAtTheLastDelimiterAndTheLastDotAfterIt) {
  const NameCase cases[] = {
      {"/src/unit1.txt", "/src/", "unit1.txt", ".txt", "/src/unit1"},
      {"/src/makefile", "/src/", "makefile", "", "/src/makefile"},
      {"/src/my.unit.txt", "/src/", "my.unit.txt", ".txt", "/src/my.unit"},
      {"/src.d/makefile", "/src.d/", "makefile", "", "/src.d/makefile"},
      {"unit1.pas", "", "unit1.pas", ".pas", "unit1"},
      {"/src/", "/src/", "", "", "/src/"},
      {"", "", "", "", ""},
      {"/src/trailing.", "/src/", "trailing.", ".", "/src/trailing"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(kvx::DirectoryPart(c.name), c.directory);
    EXPECT_EQ(kvx::FilePart(c.name), c.file);
    EXPECT_EQ(kvx::ExtensionOf(c.name), c.extension);
    EXPECT_EQ(kvx::RemoveExtension(c.name), c.withoutExtension);
  }
}

TEST(SessionName, IsTheVariantPrefixAndTheProjectBaseName) {
  const std::string prefix = kvx::SessionPrefix;
  EXPECT_EQ(kvx::MakeSessionName("/apps/EDITOR.PRJ"), prefix + "EDITOR");
  EXPECT_EQ(kvx::MakeSessionName("/apps/EDITOR"), prefix + "EDITOR");
  EXPECT_EQ(kvx::MakeSessionName("/apps.v2/my.proj.dpr"), prefix + "my.proj");
  EXPECT_EQ(kvx::MakeSessionName(""), prefix);
#if defined(KVX_VARIANT_DELPHI3)
  EXPECT_EQ(kvx::MakeSessionName("/apps/EDITOR.PRJ"), "Delphi 3-EDITOR");
#elif defined(KVX_VARIANT_DELPHI2)
  EXPECT_EQ(kvx::MakeSessionName("/apps/EDITOR.PRJ"), "Delphi 2-EDITOR");
#else
  EXPECT_EQ(kvx::MakeSessionName("/apps/EDITOR.PRJ"), "CBuilder-EDITOR");
#endif
}

class ShadowName : public testing::Test {
 protected:
  void SetUp() override {
    directory_ = kvxtest::MakeScratchSubdirectory("shadow") + "/";
    kvx::ShadowDirectory = directory_;
  }
  std::string directory_;
};

TEST_F(ShadowName, InsertsTheFirstFreeNumberBeforeTheExtension) {
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT1.TXT"), directory_ + "UNIT1.0.TXT");
  EXPECT_EQ(kvx::MakeShadowFileName("/src/MAKEFILE"), directory_ + "MAKEFILE.0");
  EXPECT_EQ(kvx::MakeShadowFileName("/src/MY.UNIT.TXT"), directory_ + "MY.UNIT.0.TXT");
  EXPECT_EQ(kvx::ShadowDirectory, directory_);
}

TEST_F(ShadowName, SkipsFilesThatExistButNotDirectories) {
  kvxtest::WriteFileBytes(directory_ + "UNIT1.0.TXT", "a");
  kvxtest::WriteFileBytes(directory_ + "UNIT1.1.TXT", "b");
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT1.TXT"), directory_ + "UNIT1.2.TXT");

  ASSERT_EQ(mkdir((directory_ + "UNIT2.0.TXT").c_str(), 0700), 0);
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT2.TXT"), directory_ + "UNIT2.0.TXT");

  // A hidden file still takes its name.
  kvxtest::WriteFileBytes(directory_ + ".cfg.0.txt", "c");
  EXPECT_EQ(kvx::MakeShadowFileName("/src/.cfg.txt"), directory_ + ".cfg.1.txt");
  // A name that is all extension gets the number in front of it.
  EXPECT_EQ(kvx::MakeShadowFileName("/src/.profile"), directory_ + ".0.profile");
}

TEST_F(ShadowName, NamesThatDifferOnlyInCaseAreDifferentFiles) {
  kvxtest::WriteFileBytes(directory_ + "unit1.0.txt", "a");
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT1.TXT"), directory_ + "UNIT1.0.TXT");
}

TEST(ShadowNameDirectory, AnEmptyDirectoryIsFilledOnceWithTheTemporaryOne) {
  const std::string temp = kvxtest::MakeScratchSubdirectory("temp");
  setenv("TMP", temp.c_str(), 1);
  kvx::ShadowDirectory.clear();
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT1.TXT"), temp + "/UNIT1.0.TXT");
  EXPECT_EQ(kvx::ShadowDirectory, temp + "/");

  setenv("TMP", "/elsewhere", 1);
  EXPECT_EQ(kvx::MakeShadowFileName("/src/UNIT1.TXT"), temp + "/UNIT1.0.TXT");
}

}  // namespace
