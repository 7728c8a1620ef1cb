// Fault injection for tests: a point fails after `skip` further calls pass,
// for `count` calls. Process-wide, guarded, since a test may arm a fault on
// one thread for a call made on another.
#include <array>
#include <mutex>

#include "platform/posix/include/winsub_control.h"

namespace {

struct FaultState {
  unsigned skip = 0;
  unsigned count = 0;
};

constexpr std::size_t FaultPoints = 32;
std::mutex faultMutex;
std::array<FaultState, FaultPoints> faults;

}  // namespace

WINSUB_API void WinsubInjectFault(WinsubFaultPoint point, unsigned skip, unsigned count) {
  const auto index = static_cast<std::size_t>(point);
  if (index >= FaultPoints) return;
  std::lock_guard lock(faultMutex);
  faults[index] = FaultState{skip, count};
}

WINSUB_API void WinsubClearFaults(void) {
  std::lock_guard lock(faultMutex);
  faults.fill(FaultState{});
}

WINSUB_API BOOL WinsubFaultStrikes(WinsubFaultPoint point) {
  const auto index = static_cast<std::size_t>(point);
  if (index >= FaultPoints) return FALSE;
  std::lock_guard lock(faultMutex);
  FaultState& state = faults[index];
  if (state.count == 0) return FALSE;
  if (state.skip > 0) {
    --state.skip;
    return FALSE;
  }
  --state.count;
  return TRUE;
}
