// The command language: its pieces in-process, and whole scripts run by the
// simide program.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "simide/script.h"
#include "simide/text_positions.h"
#include "tests/simide/host_fixture.h"

namespace simidetest {
namespace {

TEST(ScriptWords, QuotedWordsAndEscapes) {
  std::vector<std::string> words;
  std::string error;
  ASSERT_TRUE(simide::SplitWords(R"(insert a.pas 2:3 "x y\r\n\x1A\"\\" tail)", words, error));
  EXPECT_EQ(words, (std::vector<std::string>{"insert", "a.pas", "2:3", "x y\r\n\x1A\"\\", "tail"}));
  ASSERT_TRUE(simide::SplitWords(R"(type "")", words, error));
  EXPECT_EQ(words, (std::vector<std::string>{"type", ""}));
  EXPECT_FALSE(simide::SplitWords(R"(type "open)", words, error));
  EXPECT_FALSE(simide::SplitWords(R"(type "\q")", words, error));
  EXPECT_FALSE(simide::SplitWords(R"(type "\x4")", words, error));
  EXPECT_EQ(simide::Escaped("a\r\n\t\\\"\x1A"), R"(a\r\n\t\\\"\x1A)");
}

TEST(ScriptWords, PlacesInCrLfText) {
  const std::string text = "ab\r\ncd\r\n\r\nlast";
  struct Case {
    long line, column;
    std::size_t offset;
  } cases[] = {{1, 1, 0}, {1, 3, 2}, {1, 9, 2}, {2, 2, 5}, {3, 1, 8}, {4, 4, 13}, {4, 9, 14}, {9, 1, 14}};
  for (const Case& c : cases) {
    EXPECT_EQ(simide::OffsetOf(text, {c.line, c.column}), c.offset) << c.line << ":" << c.column;
  }
  const simide::LineColumn place = simide::PlaceOf(text, 5);
  EXPECT_EQ(place.line, 2);
  EXPECT_EQ(place.column, 2);
}

struct ProgramRun {
  int status = -1;
  std::string output;
};

ProgramRun RunProgram(const std::string& script) {
  const std::string file = kvxtest::MakeScratchSubdirectory("script") + "/script.txt";
  kvxtest::WriteFileBytes(file, script);
  ProgramRun run;
  const std::string command = std::string(SIMIDE_PROGRAM) + " " + file + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> chunk;
  std::size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.output.append(chunk.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ScriptProgram, RunsAScriptAgainstALoadedExpert) {
  const std::string dir = kvxtest::MakeScratchSubdirectory("work");
  const std::string unit = dir + "/unit1.pas";
  const std::string script =
      "# a session\n"
      "write-file " + unit + " \"unit Unit1;\\r\\nend.\\r\\n\"\n"
      "load " SIMIDE_TEST_EXPERT "\n"
      "reenter\n"
      "project open " + dir + "/proj.dpr\n"
      "open " + unit + "\n"
      "cursor " + unit + " 2 1\n"
      "type \"begin \"\n"
      "expect-text " + unit + " \"unit Unit1;\\r\\nbegin end.\\r\\n\"\n"
      "expect-cursor " + unit + " 2 7\n"
      "expect-modified " + unit + " yes\n"
      "replace " + unit + " 1:6 5 \"Unit2\"\n"
      "insert " + unit + " @0 \"// x\\r\\n\"\n"
      "undo " + unit + "\n"
      "save " + unit + "\n"
      "expect-file " + unit + " \"unit Unit2;\\r\\nbegin end.\\r\\n\"\n"
      "saveas " + unit + " " + dir + "/unit2.pas\n"
      "expect-front " + dir + "/unit2.pas\n"
      "top " + dir + "/unit2.pas 3\n"
      "viewsize " + dir + "/unit2.pas 40 10\n"
      "show cursor " + dir + "/unit2.pas\n"
      "try close " + unit + "\n"
      "key ctrl+shift+k repeat 2\n"
      "debug start\n"
      "debug stop\n"
      "deactivate\n"
      "activate\n"
      "answer no\n"
      "pump 20\n"
      "show buffer " + dir + "/unit2.pas\n"
      "echo all done\n"
      "close-ide\n"
      "expect-objects 0\n"
      "shutdown\n";
  const ProgramRun run = RunProgram(script);
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, testing::HasSubstr("1 expert(s) registered"));
  EXPECT_THAT(run.output, testing::HasSubstr("reenter: entry point answered false"));
  EXPECT_THAT(run.output, testing::HasSubstr("| fnFileOpened " + unit));
  EXPECT_THAT(run.output, testing::HasSubstr("cursor " + dir + "/unit2.pas: 2:7 top 3:1"));
  EXPECT_THAT(run.output, testing::HasSubstr("(failure accepted by try)"));
  EXPECT_THAT(run.output, testing::HasSubstr("buffer " + dir + "/unit2.pas: \"unit Unit2;\\r\\nbegin end.\\r\\n\""));
  EXPECT_THAT(run.output, testing::HasSubstr("all done"));
  EXPECT_THAT(run.output, testing::HasSubstr("close-ide: parent window destroyed"));
}

TEST(ScriptProgram, FailedCheckStopsTheScriptWithItsLine) {
  const std::string dir = kvxtest::MakeScratchSubdirectory("work");
  const ProgramRun run = RunProgram("open " + dir + "/a.pas\n"
                                    "type \"abc\"\n"
                                    "expect-text " + dir + "/a.pas \"abd\"\n"
                                    "echo not reached\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.output, testing::HasSubstr("FAILED at line 3: expected text \"abd\""));
  EXPECT_THAT(run.output, testing::HasSubstr("got \"abc\""));
  EXPECT_THAT(run.output, testing::Not(testing::HasSubstr("not reached")));

  const ProgramRun unknown = RunProgram("frobnicate\n");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_THAT(unknown.output, testing::HasSubstr("FAILED at line 1: unknown command frobnicate"));
}

}  // namespace
}  // namespace simidetest
