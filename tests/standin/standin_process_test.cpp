// The `corvane` program in a process of its own, driven through its control
// service while a DDE client plays the link.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/corvane_commands.h"
#include "corvane_standin/control_client.h"
#include "corvane_standin/transcript.h"
#include "tests/standin/dde_test_client.h"
#include "tests/support/test_environment.h"

extern char** environ;

namespace kvx::standin {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

// Starts the program; kills it at the end unless it has been waited for.
class ChildProcess {
 public:
  explicit ChildProcess(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }

  // The exit code, or -1 when it did not exit normally within the time.
  int WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(10ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

std::string Macro(const std::string& command) { return "[RUNMACRO(\"" + command + "\")]\0"s; }

TEST(StandinProcess, ProgramServesTheLinkAndTakesControlFromAnotherProcess) {
  const std::string dir = kvxtest::MakeScratchSubdirectory("process");
  const std::string source = dir + "/unit1.pas";
  const std::string shadow = dir + "/unit1.0.pas";
  const std::string transcriptPath = dir + "/corvane.transcript";
  kvxtest::WriteFileBytes(source, "on disk\n");
  kvxtest::WriteFileBytes(shadow, "from the IDE\n");

  ChildProcess corvane({CORVANE_PROGRAM, "--transcript", transcriptPath, "--control", "CvCtl",
                        "-SNDelphi 3-PROJ", "--unknown", "ignored"});
  ASSERT_TRUE(corvane.Started());
  CorvaneControlClient control("CvCtl");
  ASSERT_TRUE(control.WaitForService(10s));
  auto state = control.State();
  ASSERT_TRUE(state);
  EXPECT_EQ(state->session, "Delphi 3-PROJ");

  kvxtest::DdeTestClient link;
  ASSERT_TRUE(link.Connect(CorvaneService, CorvaneTopic));
  ASSERT_TRUE(link.Execute(Macro(std::string(CmdReloadFileEx) + "1/L=4/C=2/T=1/F=" + source +
                                 "/V=" + shadow)));
  ASSERT_TRUE(control.Edit(source, "edited in the editor\n"));
  ASSERT_TRUE(control.MoveCursor(source, 9, 8, 7));
  EXPECT_EQ(kvxtest::ReadFileBytes(shadow), "edited in the editor\n");

  ASSERT_TRUE(link.Execute(Macro(CmdGetFileInfo + source)));
  ASSERT_TRUE(link.Execute("[SETUPGLOBAL(\"!REMCURPOS_L\",\"1\")]\0"s));
  EXPECT_EQ(link.Request(GlobalCurPosLine), "\x09\0\0\0"s);
  link.Disconnect();

  state = control.State();
  ASSERT_TRUE(state);
  ASSERT_EQ(state->files.size(), 1u);
  EXPECT_EQ(state->files[0], (FileState{source, shadow, "edited in the editor\n", 9, 8, 7, false}));
  EXPECT_EQ(state->activeFile, source);

  const auto transcript = control.Transcript();
  ASSERT_TRUE(transcript);
  ASSERT_EQ(transcript->size(), 6u);  // connect, 3 executes, request, disconnect
  EXPECT_EQ(transcript->at(4).data, "\x09\0\0\0"s);
  const auto fromFile = ReadTranscriptFile(transcriptPath);
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(*fromFile, *transcript);

  ASSERT_TRUE(control.Quit());
  EXPECT_EQ(corvane.WaitForExit(10s), 0);
}

TEST(StandinProcess, ProgramReportsAnUnusableTranscriptFile) {
  ChildProcess corvane({CORVANE_PROGRAM, "--transcript",
                        kvxtest::ScratchDirectory() + "/no/such/dir/t"});
  ASSERT_TRUE(corvane.Started());
  EXPECT_EQ(corvane.WaitForExit(10s), 1);
}

}  // namespace
}  // namespace kvx::standin
