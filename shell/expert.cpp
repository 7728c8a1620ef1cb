#include "shell/expert.h"

#include <stdexcept>

namespace kvx {

namespace {

constexpr char ExpertName[] = "Corvane Interface";
constexpr char ExpertAuthor[] = "Ostrel";
constexpr char ExpertIDString[] = "Ostrel.Corvane";

// Runs an operation of the expert so that no exception leaves the library:
// a failure goes to the host and the operation answers Fallback.
template <typename Result, typename Body>
Result Guarded(Body body, Result Fallback) {
  try {
    return body();
  } catch (...) {
    ReportException();
    return Fallback;
  }
}

[[noreturn]] void AbstractError() { throw std::logic_error("Abstract Error"); }

}  // namespace

int TKVXExpert::GetVersion() { return ToolsApiVersion; }

std::string TKVXExpert::GetName() {
  return Guarded<std::string>([] { return std::string(ExpertName); }, {});
}

std::string TKVXExpert::GetAuthor() {
  return Guarded<std::string>([] { return std::string(ExpertAuthor); }, {});
}

std::string TKVXExpert::GetComment() {
  return Guarded<std::string>([] { return std::string(ExpertName); }, {});
}

std::string TKVXExpert::GetPage() { AbstractError(); }

HICON TKVXExpert::GetGlyph() {
  return Guarded<HICON>([] { return static_cast<HICON>(nullptr); }, nullptr);
}

TExpertStyle TKVXExpert::GetStyle() { return esAddIn; }

TExpertState TKVXExpert::GetState() {
  return Guarded<TExpertState>([] { return ExpertStateOf(esEnabled); }, 0);
}

std::string TKVXExpert::GetIDString() {
  return Guarded<std::string>([] { return std::string(ExpertIDString); }, {});
}

std::string TKVXExpert::GetMenuText() { AbstractError(); }

void TKVXExpert::Execute() { AbstractError(); }

}  // namespace kvx
