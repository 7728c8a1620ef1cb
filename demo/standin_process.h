// The stand-in editor as a process the demo did not start itself (the link
// starts it): found by the transcript file named on its command line, and
// stopped through its control service or, failing that, killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kvxdemo {

struct StandinProcess {
  pid_t pid = 0;                     // 0: none found
  std::vector<std::string> argv;     // its command line as started
};

// The running process whose arguments hold "--transcript <transcript>".
StandinProcess FindStandin(const std::string& transcript);

// Waits (polling) until `pid` has ended or the time is up.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit);

// Asks the stand-in to quit through its control service, then kills it when
// it has not ended within `limit`. Returns how it went, for the report.
std::string StopStandin(const std::string& transcript, std::chrono::milliseconds limit);

// For the watchdog: kill at once, without asking.
void KillStandin(const std::string& transcript);

}  // namespace kvxdemo
