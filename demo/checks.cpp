#include "demo/checks.h"

#include <iostream>

namespace kvxdemo {

bool Checks::Expect(bool ok, const std::string& what, const std::string& detail) {
  ++count_;
  if (ok) {
    std::cout << "   [ok] " << what << "\n";
    return true;
  }
  std::cout << "   [FAILED] " << what << (detail.empty() ? "" : ": " + detail) << "\n";
  if (firstFailure_.empty()) firstFailure_ = what + (detail.empty() ? "" : " (" + detail + ")");
  return false;
}

void Checks::Fail(const std::string& reason) {
  std::cout << "   [FAILED] " << reason << "\n";
  if (firstFailure_.empty()) firstFailure_ = reason;
}

}  // namespace kvxdemo
