// The benchmark programs' shared main: before anything runs, the process gets
// its own scratch directory with the DDE socket directory and the profile file
// in it, so a benchmark run never meets another program's servers or settings.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kvxbench {

// Runs fn after the last benchmark, on the main thread, before static
// destruction (hosts and servers that must end on their own thread).
void AtEnd(std::function<void()> fn);

// Marks the run failed (the program exits 1) and says why on stderr; the
// benchmark itself is skipped with the same message.
void Fail(const std::string& why);

// Monotonic time in nanoseconds, for the limits timed next to a benchmark.
inline double NowNs() {
  return std::chrono::duration<double, std::nano>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace kvxbench
