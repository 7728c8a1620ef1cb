#include "tests/e2e/test_watchdog.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace e2e {

void KillProcessesMentioning(const std::string& marker) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(name));
    if (pid == getpid()) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (line.find(marker) != std::string::npos) kill(pid, SIGKILL);
  }
}

void KillProcessesInPidFiles(const std::string& directory) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    if (entry.path().extension() != ".pid") continue;
    std::ifstream in(entry.path());
    long pid = 0;
    if (in >> pid && pid > 1) kill(static_cast<pid_t>(pid), SIGKILL);
  }
}

TestWatchdog::TestWatchdog(std::chrono::seconds budget, std::string marker)
    : marker_(std::move(marker)) {
  const auto deadline = std::chrono::steady_clock::now() + budget;
  thread_ = std::thread([this, deadline] { Watch(deadline); });
}

TestWatchdog::~TestWatchdog() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void TestWatchdog::WatchChild(pid_t pid) {
  std::lock_guard lock(mutex_);
  child_ = pid;
}

void TestWatchdog::Watch(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  if (wake_.wait_until(lock, deadline, [this] { return done_; })) return;
  std::fprintf(stderr, "test exceeded its time budget: the IDE thread is stuck; giving up\n");
  if (child_ > 0) kill(child_, SIGKILL);
  KillProcessesMentioning(marker_);
  KillProcessesInPidFiles(marker_);
  std::fflush(stderr);
  _exit(3);
}

}  // namespace e2e
