// The demo's expectations: each is printed as it is checked, and the first
// that fails becomes the reason of the final verdict.
#pragma once

#include <string>

namespace kvxdemo {

class Checks {
 public:
  // Prints "[ok] what" or "[FAILED] what: detail"; returns ok.
  bool Expect(bool ok, const std::string& what, const std::string& detail = "");
  // A failure that stops the run (a step that could not be carried out).
  void Fail(const std::string& reason);

  bool Passed() const { return firstFailure_.empty(); }
  const std::string& FirstFailure() const { return firstFailure_; }
  int Count() const { return count_; }

 private:
  std::string firstFailure_;
  int count_ = 0;
};

}  // namespace kvxdemo
