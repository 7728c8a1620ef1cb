// WinExec: starts a program from a Windows command line, never through a
// shell (so ';', '|', '$', '>' and the like are plain characters). The line is
// split as Windows splits it (command_line.h); a program name without '/' is
// looked up in PATH. The child inherits the environment, reads stdin from
// /dev/null and runs detached: a double fork leaves no zombie behind, and a
// close-on-exec status pipe tells whether the exec itself worked.
//
// Windows' WinExec also waits until the new program is ready for input (or 30
// seconds). Linux has no such state to wait for, so this returns as soon as the
// program has been started; callers must not take the return as "ready".
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"
#include "platform/posix/kernel32/command_line.h"
#include "platform/posix/kernel32/file_mapping.h"

namespace {

constexpr UINT Started = 33;       // any value above 31 means success
constexpr UINT OutOfResources = 0;

UINT FailureFor(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
      return static_cast<UINT>(winsub::WindowsErrorFor(error, path));
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENOMEM:
    case EAGAIN:
    case EMFILE:
    case ENFILE:
    case E2BIG:
      return OutOfResources;
    default:  // EACCES, ENOEXEC, EISDIR, ...: nothing runnable there
      return ERROR_BAD_FORMAT;
  }
}

struct Program {
  std::string path;
  UINT failure = 0;  // 0 with a path: found
};

bool IsRunnable(const std::string& path, const struct stat& info) {
  return S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

Program FindProgram(const std::string& name) {
  Program program;
  if (name.find('/') != std::string::npos) {
    struct stat info {};
    if (stat(name.c_str(), &info) != 0) {
      program.failure = FailureFor(errno, name);
    } else if (!IsRunnable(name, info)) {
      program.failure = ERROR_BAD_FORMAT;
    } else {
      program.path = name;
    }
    return program;
  }
  const char* searchPath = std::getenv("PATH");
  const std::string directories = searchPath != nullptr ? searchPath : "/bin:/usr/bin";
  bool sawUnrunnable = false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = directories.find(':', start);
    std::string_view directory = std::string_view(directories).substr(
        start, colon == std::string::npos ? std::string_view::npos : colon - start);
    if (directory.empty()) directory = ".";
    // Built by appending into reserved room: GCC 12's optimiser misreads the
    // string copies of operator+ here as overlapping (-Wrestrict), which
    // breaks every optimised build.
    std::string candidate;
    candidate.reserve(directory.size() + 1 + name.size());
    candidate.append(directory).append(1, '/').append(name);
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0) {
      if (IsRunnable(candidate, info)) {
        program.path = candidate;
        return program;
      }
      if (!S_ISDIR(info.st_mode)) sawUnrunnable = true;
    }
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  program.failure = sawUnrunnable ? ERROR_BAD_FORMAT : ERROR_FILE_NOT_FOUND;
  return program;
}

// What the started side reports through the status pipe when it fails.
struct StartReport {
  int forkFailed;  // the second fork failed (else the exec did)
  int error;
};

[[noreturn]] void ReportAndExit(int writeEnd, bool forkFailed, int error) {
  const StartReport report{forkFailed ? 1 : 0, error};
  ssize_t ignored = write(writeEnd, &report, sizeof report);
  (void)ignored;
  _exit(127);
}

// Runs in the child of a fork: async-signal-safe calls only.
[[noreturn]] void StartDetached(int writeEnd, const char* path, char* const* argv) {
  const pid_t worker = fork();
  if (worker < 0) ReportAndExit(writeEnd, true, errno);
  if (worker > 0) _exit(0);  // the grandchild goes to init; nobody need reap it
  setsid();
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);  // a host that ignores it must not pass that on
  const int nullInput = open("/dev/null", O_RDONLY);
  if (nullInput >= 0 && nullInput != STDIN_FILENO) {
    dup2(nullInput, STDIN_FILENO);
    close(nullInput);
  }
  // Descriptors of the starting process (sockets, files) are not the child's.
  (void)close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
  execv(path, argv);
  ReportAndExit(writeEnd, false, errno);
}

}  // namespace

WINSUB_API UINT WINAPI WinExec(LPCSTR cmdLine, UINT /*cmdShow*/) {
  if (WinsubFaultStrikes(WINSUB_FAULT_WINEXEC)) return OutOfResources;
  if (cmdLine == nullptr) return ERROR_FILE_NOT_FOUND;
  winsub::SplitCommandLine split = winsub::SplitWindowsCommandLine(cmdLine);
  if (split.program.empty()) return ERROR_FILE_NOT_FOUND;
  const Program program = FindProgram(split.program);
  if (program.path.empty()) return program.failure;

  std::vector<char*> argv;
  argv.reserve(split.arguments.size() + 1);
  for (std::string& argument : split.arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) return OutOfResources;
  const pid_t middle = fork();
  if (middle < 0) {
    close(status[0]);
    close(status[1]);
    return OutOfResources;
  }
  if (middle == 0) StartDetached(status[1], program.path.c_str(), argv.data());

  close(status[1]);
  while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
  // End of file: the exec closed the pipe. A report: it failed.
  StartReport report{};
  ssize_t got = 0;
  do {
    got = read(status[0], &report, sizeof report);
  } while (got < 0 && errno == EINTR);
  close(status[0]);
  if (got == 0) return Started;
  if (got != static_cast<ssize_t>(sizeof report) || report.forkFailed != 0) return OutOfResources;
  return FailureFor(report.error, program.path);
}
