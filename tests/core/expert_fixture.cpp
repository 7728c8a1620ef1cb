#include "tests/core/expert_fixture.h"

#include "shell/variant.h"
#include "tests/support/test_environment.h"

namespace coretest {

std::vector<kvx::TIExpert*>& RegisteredExperts() {
  static std::vector<kvx::TIExpert*> experts;
  return experts;
}

bool KVX_STDCALL RegisterExpert(kvx::TIExpert* expert) {
  RegisteredExperts().push_back(expert);
  return true;
}

std::string ProfileWith(const std::string& enabled, const std::string& more) {
  return "[Corvane for Windows 7.1]\n" + std::string(kvx::EnabledKey) + "=" + enabled + "\n" + more;
}

ExpertTest::~ExpertTest() {
  // The host owns the registered experts.
  for (kvx::TIExpert* expert : RegisteredExperts()) expert->Release();
  RegisteredExperts().clear();
}

bool ExpertTest::Enter(const std::string& profile) {
  kvxtest::WriteProfile(profile);
  return EnterAgain();
}

bool ExpertTest::EnterAgain() {
  return KVX_ENTRY_POINT(ide_.ToolServices(), &RegisterExpert, &terminate_);
}

}  // namespace coretest
