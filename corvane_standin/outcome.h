// The result of a command or user action: done, or refused with a reason that
// the transcript and the control client pass on.
#pragma once

#include <string>
#include <utility>

namespace kvx::standin {

struct Outcome {
  bool done = false;
  std::string reason;  // empty when done

  static Outcome Done() { return {true, {}}; }
  static Outcome Refused(std::string why) { return {false, std::move(why)}; }
  explicit operator bool() const { return done; }
};

}  // namespace kvx::standin
