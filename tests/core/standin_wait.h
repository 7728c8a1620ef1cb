// The stand-in records a conversation's end on its own thread, after the
// client's disconnect has returned: wait for the transcript to catch up.
#pragma once

#include <cstddef>
#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "platform/winapi.h"

namespace coretest {

inline std::vector<kvx::standin::TranscriptRecord> TranscriptOfAtLeast(
    const kvx::standin::CorvaneStandin& corvane, std::size_t count) {
  auto records = corvane.Transcript();
  for (int i = 0; i < 200 && records.size() < count; ++i) {
    Sleep(10);
    records = corvane.Transcript();
  }
  return records;
}

}  // namespace coretest
