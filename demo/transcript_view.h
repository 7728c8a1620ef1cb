// Follows the stand-in's transcript file: hands out the records added since
// the last look once every conversation in it has ended, and writes them as
// readable lines (execute texts as text, global reads folded into one line).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "corvane_standin/transcript.h"

namespace kvxdemo {

class TranscriptFollower {
 public:
  explicit TranscriptFollower(std::string path) : path_(std::move(path)) {}

  // The records added since the last call. Waits (up to `limit`) until each
  // accepted connect has its disconnect, since the stand-in records a
  // conversation's end after the client has moved on. nullopt when the file
  // is damaged or the conversations do not end in time (*why says which).
  std::optional<std::vector<kvx::standin::TranscriptRecord>> TakeNew(
      std::chrono::milliseconds limit, std::string* why);

  // Every record read so far.
  const std::vector<kvx::standin::TranscriptRecord>& All() const { return all_; }

 private:
  std::string path_;
  std::vector<kvx::standin::TranscriptRecord> all_;
  std::size_t taken_ = 0;
};

// The texts of the link's macro commands among `records` (the part inside
// [RUNMACRO("...")], backslashes undoubled), in order.
std::vector<std::string> MacroCommands(const std::vector<kvx::standin::TranscriptRecord>& records);

// The value read for a global among `records`, as shown (number or text).
std::optional<std::string> GlobalRead(const std::vector<kvx::standin::TranscriptRecord>& records,
                                      const std::string& name);

// One line per record (a set-up, read and reset of the same global in a row
// make one line), each prefixed by `indent`, workspace paths shortened.
std::string DescribeRecords(const std::vector<kvx::standin::TranscriptRecord>& records,
                            const std::string& indent, const std::string& workspace);

}  // namespace kvxdemo
