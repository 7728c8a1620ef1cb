#include <exception>
#include <string>

#include "shell/expert.h"
#include "shell/globals.h"

namespace kvx {

void ReportException() {
  if (!std::current_exception()) return;  // not inside a handler: nothing to report
  std::string message;
  try {
    throw;
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "Unknown exception";
  }
  if (ToolServices != nullptr) ToolServices->RaiseException(message);
}

}  // namespace kvx
