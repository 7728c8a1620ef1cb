// Deadlines of the synchronous calls, in steady-clock milliseconds.
#pragma once

#include <chrono>

namespace winsub::dde {

class Deadline {
 public:
  explicit Deadline(long long milliseconds)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)) {}

  // Whole milliseconds left, rounded up so a wait never ends early; 0 once passed.
  int Remaining() const {
    const auto left = end_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
  }

 private:
  std::chrono::steady_clock::time_point end_;
};

// How long DdeConnect waits for a server's answer: WINSUB_DDE_CONNECT_TIMEOUT_MS
// (read at each connect), else 3000 ms.
int ConnectTimeoutMs();

}  // namespace winsub::dde
