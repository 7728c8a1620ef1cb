// Bounds a test's time: when the test has not ended within its budget (the
// expert stuck in a wait, say), the processes the test started are killed and
// the test program ends with a failure instead of hanging.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace e2e {

// Kills every process whose command line mentions `marker` (the processes the
// expert started itself, which are not the test's children) and the process
// named by each pid file (one line) under it. Used by teardown and the
// watchdog alike.
void KillProcessesMentioning(const std::string& marker);
void KillProcessesInPidFiles(const std::string& directory);

class TestWatchdog {
 public:
  explicit TestWatchdog(std::chrono::seconds budget, std::string marker);
  ~TestWatchdog();
  TestWatchdog(const TestWatchdog&) = delete;
  TestWatchdog& operator=(const TestWatchdog&) = delete;

  void WatchChild(pid_t pid);

 private:
  void Watch(std::chrono::steady_clock::time_point deadline);

  std::string marker_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  pid_t child_ = -1;
  std::thread thread_;
};

}  // namespace e2e
