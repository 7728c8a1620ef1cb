// The expert entered in-process by a simulated IDE: the test calls the entry
// point with the host's tool services and a registration function of its own,
// so that the main unit's state can be looked at directly.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contracts/toolintf.h"
#include "shell/entry_point.h"
#include "simide/sim_ide.h"

namespace coretest {

// Registrations seen by RegisterExpert, in order.
std::vector<kvx::TIExpert*>& RegisteredExperts();
bool KVX_STDCALL RegisterExpert(kvx::TIExpert* expert);

// A profile section for the variant under test: the enable key with the
// given value, then `more` lines.
std::string ProfileWith(const std::string& enabled, const std::string& more = "");

class ExpertTest : public testing::Test {
 protected:
  ~ExpertTest() override;

  // Writes the profile and calls the entry point once.
  bool Enter(const std::string& profile);
  bool EnterAgain();

  simide::SimIde ide_;
  kvx::TExpertTerminateProc terminate_ = nullptr;
};

}  // namespace coretest
