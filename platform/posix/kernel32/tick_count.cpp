// GetTickCount and Sleep. The tick count is the monotonic clock in
// milliseconds, cut to 32 bits so that it wraps as Windows' does after 49.7
// days, plus an offset tests use to reach the wrap without waiting for it.
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>

#include <sched.h>

#include "platform/posix/include/win32_subset.h"
#include "platform/posix/include/winsub_control.h"

namespace {
std::atomic<int64_t> tickOffset{0};
}

WINSUB_API DWORD WINAPI GetTickCount(void) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto clockMilliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec / 1000000);
  // Unsigned sum: a negative offset wraps back as the 32-bit count itself does.
  const uint64_t milliseconds = clockMilliseconds + static_cast<uint64_t>(tickOffset.load());
  return static_cast<DWORD>(milliseconds & 0xFFFFFFFFu);
}

WINSUB_API void WinsubAdvanceTickCount(int64_t milliseconds) { tickOffset.fetch_add(milliseconds); }

WINSUB_API void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) {
      timespec day{86400, 0};
      nanosleep(&day, nullptr);
    }
  }
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}
