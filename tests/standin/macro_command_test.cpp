#include "corvane_standin/macro_command.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace kvx::standin {
namespace {

FileExists Existing(std::set<std::string> files) {
  return [files = std::move(files)](const std::string& path) { return files.contains(path); };
}

MacroCommand Parse(const std::string& text, const FileExists& exists = Existing({})) {
  const ParsedMacro parsed = ParseMacroCommand(text, exists);
  EXPECT_TRUE(parsed.command) << text << ": " << parsed.error;
  return parsed.command.value_or(MacroCommand(ActivateCommand{}));
}

TEST(MacroCommand, DecodesEveryCommand) {
  EXPECT_EQ(Parse("Remote^RemReloadFileEx /FLAGS=1/L=12/C=5/T=3/F=/src/unit1.pas/V=/tmp/unit1.0.pas"),
            MacroCommand(ReloadFileCommand{true, CursorPlace{12, 5, 3}, "/src/unit1.pas",
                                           "/tmp/unit1.0.pas"}));
  EXPECT_EQ(Parse("Remote^RemReloadFileEx /FLAGS=0/F=C:\\SRC\\A.PAS/V=C:\\TEMP\\A.0.PAS"),
            MacroCommand(ReloadFileCommand{false, std::nullopt, "C:\\SRC\\A.PAS",
                                           "C:\\TEMP\\A.0.PAS"}));
  EXPECT_EQ(Parse("Remote^RemReloadFileEx /FLAGS=0/L=-1/C=0/T=1234567/F=a/V=b"),
            MacroCommand(ReloadFileCommand{false, CursorPlace{-1, 0, 1234567}, "a", "b"}));
  EXPECT_EQ(Parse("Remote^RemRemoveFile /F=/src/a b.pas"),
            MacroCommand(RemoveFileCommand{"/src/a b.pas"}));
  EXPECT_EQ(Parse("SessMgr /SESSION=Delphi 3-EDITOR/DIR=/apps/"),
            MacroCommand(SessionCommand{"Delphi 3-EDITOR", "/apps/"}));
  EXPECT_EQ(Parse("SessMgr /SESSION=S/DIR=/odd/DIR=/x/"),
            MacroCommand(SessionCommand{"S", "/odd/DIR=/x/"}));
  EXPECT_EQ(Parse("SessMgr /SESSION=S/DIR="), MacroCommand(SessionCommand{"S", ""}));
  EXPECT_EQ(Parse("Remote^RemActivate"), MacroCommand(ActivateCommand{}));
  EXPECT_EQ(Parse("Remote^RemGetActiveFile /GN=!REMACTIVEFILE"),
            MacroCommand(GetActiveFileCommand{}));
  EXPECT_EQ(Parse("Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=/src/u.pas"),
            MacroCommand(GetFileInfoCommand{"/src/u.pas"}));
}

TEST(MacroCommand, SplitsFileAndShadowWherePathsHoldTheMarker) {
  struct Case {
    std::string rest;                 // after "/F="
    std::set<std::string> existing;
    std::string file;
    std::string shadow;
  };
  const Case cases[] = {
      // The file path holds "/V=": the split that names the existing shadow wins.
      {"/s/V=/u.pas/V=/tmp/u.0.pas", {"/tmp/u.0.pas"}, "/s/V=/u.pas", "/tmp/u.0.pas"},
      // The shadow path holds "/V=": the first split naming an existing file.
      {"/s/u.pas/V=/tmp/V=1/u.0.pas", {"/tmp/V=1/u.0.pas"}, "/s/u.pas", "/tmp/V=1/u.0.pas"},
      // Both hold it.
      {"/a/V=b/V=/t/V=c", {"/t/V=c"}, "/a/V=b", "/t/V=c"},
      // No candidate exists (shadow not written yet): the last "/V=".
      {"/s/V=/u.pas/V=/tmp/u.0.pas", {}, "/s/V=/u.pas", "/tmp/u.0.pas"},
      {"/s/u.pas/V=/tmp/V=1/u.0.pas", {}, "/s/u.pas/V=/tmp", "1/u.0.pas"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rest);
    const MacroCommand command =
        Parse("Remote^RemReloadFileEx /FLAGS=1/F=" + c.rest, Existing(c.existing));
    const auto* reload = std::get_if<ReloadFileCommand>(&command);
    ASSERT_NE(reload, nullptr);
    EXPECT_EQ(reload->file, c.file);
    EXPECT_EQ(reload->shadow, c.shadow);
  }
}

TEST(MacroCommand, RefusesMalformedAndUnknownCommands) {
  const std::string cases[] = {
      "",
      "Remote^RemActivate ",
      "remote^remactivate",
      "Remote^RemGetActiveFile /GN=!OTHER",
      "Remote^RemUnknown /F=x",
      "Remote^RemRemoveFile /F=",
      "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=",
      "Remote^RemReloadFileEx /FLAGS=",
      "Remote^RemReloadFileEx /FLAGS=2/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=10/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=1/F=a",             // no shadow
      "Remote^RemReloadFileEx /FLAGS=1/F=/V=b",          // empty file
      "Remote^RemReloadFileEx /FLAGS=1/F=a/V=",          // empty shadow
      "Remote^RemReloadFileEx /FLAGS=1/L=1/C=2/F=a/V=b",  // top missing
      "Remote^RemReloadFileEx /FLAGS=1/L=/C=2/T=3/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=1/L=x/C=2/T=3/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=1/L=+1/C=2/T=3/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=1/L=99999999999/C=2/T=3/F=a/V=b",
      "Remote^RemReloadFileEx /FLAGS=1/L=1/C=2/T=3",
      "Remote^RemReloadFileEx /FLAGS=1/X=1/F=a/V=b",
      "SessMgr /SESSION=name",
      "SessMgr /SESSION=/DIR=/x/",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    const ParsedMacro parsed = ParseMacroCommand(text, Existing({}));
    EXPECT_FALSE(parsed.command);
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
}  // namespace kvx::standin
