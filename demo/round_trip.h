// The demo's round trip between the simulated IDE (this process, with the
// expert loaded) and the stand-in editor (another process, started by the
// link): each step is carried out, printed and checked.
#pragma once

#include <string>

#include "demo/checks.h"
#include "demo/watchdog.h"
#include "demo/workspace.h"

namespace kvxdemo {

struct RoundTripSetup {
  std::string expert;   // the Delphi 3 expert library
  bool showHostEvents = true;
};

// Runs every step; failures are recorded in `checks`. The stand-in is
// stopped before this returns, whatever happened.
void RunRoundTrip(const Workspace& workspace, const RoundTripSetup& setup, Watchdog& watchdog, Checks& checks);

}  // namespace kvxdemo
