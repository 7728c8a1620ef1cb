// WinExec: command-line splitting (checked against the argv a child program
// records), PATH look-up, no shell, the child's set-up and the error codes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/include/winsub_control.h"
#include "tests/support/test_environment.h"

namespace {

using Strings = std::vector<std::string>;
constexpr const char* Child = KVX_EXEC_CHILD;

// What the child recorded: its stdin, inherited descriptors, argv.
struct Record {
  std::string input;
  std::string descriptors;
  Strings argv;
};

class Exec : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = kvxtest::MakeScratchSubdirectory("exec");
    if (const char* path = std::getenv("PATH")) savedPath_ = path;
  }
  void TearDown() override {
    if (savedPath_) setenv("PATH", savedPath_->c_str(), 1);
    unsetenv("KVX_CHILD_OUT");
    unsetenv("KVX_CHILD_DELAY_MS");
    WinsubClearFaults();
  }

  // Runs the line with the child's record going to a fresh file; returns the
  // record, or nothing when none came within a few seconds.
  std::optional<Record> Run(const std::string& line) {
    const std::string out = dir_ + "/record-" + std::to_string(++runs_);
    setenv("KVX_CHILD_OUT", out.c_str(), 1);
    const UINT result = WinExec(line.c_str(), SW_SHOWDEFAULT);
    EXPECT_EQ(result, 33u) << line;
    if (result <= 31) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(out)) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::string bytes = kvxtest::ReadFileBytes(out);
    Strings fields;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1) {
      fields.push_back(bytes.substr(start, end - start));
    }
    if (fields.size() < 3) return std::nullopt;
    return Record{fields[0], fields[1], Strings(fields.begin() + 2, fields.end())};
  }

  // The arguments after argv[0].
  std::optional<Strings> Arguments(const std::string& line) {
    std::optional<Record> record = Run(line);
    if (!record) return std::nullopt;
    return Strings(record->argv.begin() + 1, record->argv.end());
  }

  std::string dir_;
  std::optional<std::string> savedPath_;
  int runs_ = 0;
};

struct SplitCase {
  const char* arguments;  // what follows the program on the line
  Strings expected;
};

TEST_F(Exec, ArgumentsSplitAsTheCRuntimeSplitsThem) {
  const SplitCase cases[] = {
      {"a b  c", {"a", "b", "c"}},
      {"\ta\t b ", {"a", "b"}},
      {"\"a b\" c", {"a b", "c"}},
      {"ab\"c d\"e", {"abc de"}},
      {"\"x\\\"y\"", {"x\"y"}},
      {"\"c:\\dir\\\\\"", {"c:\\dir\\"}},
      {"a\\\\b c\\d", {"a\\\\b", "c\\d"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"a\\\\\\\\\"b c\"", {"a\\\\b c"}},
      {"\"\" x", {"", "x"}},
      {"\"unterminated arg", {"unterminated arg"}},
      {"\"-SNDelphi 3-EDITOR\"", {"-SNDelphi 3-EDITOR"}},
      {"", {}},
  };
  for (const SplitCase& c : cases) {
    const std::string line = std::string(Child) + " " + c.arguments;
    EXPECT_EQ(Arguments(line), std::optional<Strings>(c.expected)) << line;
  }
}

TEST_F(Exec, ShellMetacharactersArePlainText) {
  const std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  const std::optional<Strings> arguments =
      Arguments(std::string(Child) + " ; touch hacked | cat > out $HOME `id` $(id) && *");
  std::filesystem::current_path(previous);
  EXPECT_EQ(arguments, std::optional<Strings>(Strings{";", "touch", "hacked", "|", "cat", ">", "out",
                                                      "$HOME", "`id`", "$(id)", "&&", "*"}));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/hacked"));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/out"));
}

TEST_F(Exec, AQuotedProgramMayHoldBlanks) {
  const std::string spaced = dir_ + "/with space";
  std::filesystem::create_directory(spaced);
  std::filesystem::create_symlink(Child, spaced + "/child prog");
  const std::optional<Record> record = Run("\"" + spaced + "/child prog\" one \"two three\"");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->argv, (Strings{spaced + "/child prog", "one", "two three"}));
}

TEST_F(Exec, AProgramWithoutDirectoryIsLookedUpInPath) {
  const std::string bin = dir_ + "/bin";
  std::filesystem::create_directory(bin);
  std::filesystem::create_symlink(Child, bin + "/kvxchild");
  kvxtest::WriteFileBytes(dir_ + "/kvxchild", "not a program");  // not on PATH: never chosen
  setenv("PATH", (dir_ + "/nonexistent:" + bin + ":/usr/bin:/bin").c_str(), 1);
  const std::optional<Record> record = Run("kvxchild one");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->argv, (Strings{"kvxchild", "one"}));
}

TEST_F(Exec, AnEmptyPathEntryIsTheCurrentDirectory) {
  const std::string bin = dir_ + "/cwd-bin";
  std::filesystem::create_directory(bin);
  std::filesystem::create_symlink(Child, bin + "/kvxchild");
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(bin);
  setenv("PATH", (dir_ + "/nonexistent::/usr/bin:/bin").c_str(), 1);
  const std::optional<Record> record = Run("kvxchild here");
  std::filesystem::current_path(saved);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->argv, (Strings{"kvxchild", "here"}));
}

TEST_F(Exec, ChildGetsNullInputNoDescriptorsAndLeavesNoZombie) {
  HANDLE open = CreateFileA((dir_ + "/held-open").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                            nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  const int plainDescriptor = ::open("/dev/null", O_RDONLY);  // not close-on-exec
  ASSERT_GE(plainDescriptor, 3);
  // Our own stdin becomes a pipe, so that the child's /dev/null is its own.
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const int savedInput = dup(STDIN_FILENO);
  ASSERT_GE(dup2(input[0], STDIN_FILENO), 0);
  const std::optional<Record> record = Run(Child);
  dup2(savedInput, STDIN_FILENO);
  for (int fd : {savedInput, input[0], input[1], plainDescriptor}) close(fd);
  CloseHandle(open);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->input, "stdin=null");
  EXPECT_EQ(record->descriptors, "fds=");
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left to reap";
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(Exec, ReturnsWithoutWaitingForTheChild) {
  const std::string out = dir_ + "/slow";
  setenv("KVX_CHILD_OUT", out.c_str(), 1);
  setenv("KVX_CHILD_DELAY_MS", "1500", 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WinExec(Child, SW_SHOWDEFAULT), 33u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Exec, FailuresReturnWindowsCodes) {
  kvxtest::WriteFileBytes(dir_ + "/data.txt", "plain data");
  kvxtest::WriteFileBytes(dir_ + "/text-exec", "no interpreter line\n");
  ASSERT_EQ(chmod((dir_ + "/text-exec").c_str(), 0755), 0);
  setenv("PATH", (dir_ + ":/usr/bin:/bin").c_str(), 1);
  const struct {
    std::string line;
    UINT expected;
  } cases[] = {
      {"", ERROR_FILE_NOT_FOUND},
      {"  \t ", ERROR_FILE_NOT_FOUND},
      {"kvx-no-such-program-here arg", ERROR_FILE_NOT_FOUND},
      {dir_ + "/missing-program", ERROR_FILE_NOT_FOUND},
      {dir_ + "/no-such-dir/program", ERROR_PATH_NOT_FOUND},
      {dir_ + "/data.txt", ERROR_BAD_FORMAT},
      {"data.txt", ERROR_BAD_FORMAT},
      {dir_ + "/text-exec", ERROR_BAD_FORMAT},
      {dir_, ERROR_BAD_FORMAT},
  };
  for (const auto& c : cases) EXPECT_EQ(WinExec(c.line.c_str(), SW_SHOWDEFAULT), c.expected) << c.line;

  WinsubInjectFault(WINSUB_FAULT_WINEXEC, 0, 1);
  EXPECT_EQ(WinExec(Child, SW_SHOWDEFAULT), 0u);
}

}  // namespace
