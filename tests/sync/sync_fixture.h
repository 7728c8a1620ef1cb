// The expert running in-process against the simulated IDE and the Corvane
// stand-in: source files and shadow files in scratch directories, the
// expert's entry point called with the host's tool services, and the
// stand-in's transcript read back as the commands the expert sent.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contracts/toolintf.h"
#include "corvane_standin/corvane_standin.h"
#include "simide/sim_ide.h"
#include "sync/tracked_modules.h"

namespace synctest {

struct Settings {
  bool safetySave = false;
  bool trackProjects = true;
  std::string launchCommand;
};

class SyncTest : public testing::Test {
 protected:
  SyncTest();
  ~SyncTest() override;

  // Writes the profile and calls the expert's entry point.
  void StartExpert(const Settings& settings = {});
  void StartCorvane();
  void StopCorvane() { corvane.reset(); }

  std::string Source(const std::string& name) const { return sourceDir_ + "/" + name; }
  std::string MakeSource(const std::string& name, const std::string& text) const;
  const std::string& ShadowDir() const { return shadowDir_; }

  // Opens a file in the IDE (it becomes tracked) and returns its record.
  kvx::KvxModuleNotifier* Open(const std::string& path);
  static kvx::KvxModuleNotifier* Record(const std::string& path);

  // What the stand-in received, in order: "connect", "disconnect", the macro
  // text of each RUNMACRO execute, "?name" for each global requested.
  std::vector<std::string> Exchanges() const;
  // Only the macro commands.
  std::vector<std::string> Commands() const;
  std::size_t TranscriptSize() const;
  std::vector<std::string> CommandsSince(std::size_t first) const;

  simide::SimIde ide;
  std::unique_ptr<kvx::standin::CorvaneStandin> corvane;

 private:
  std::string sourceDir_;
  std::string shadowDir_;
  kvx::TExpertTerminateProc terminate_ = nullptr;
};

}  // namespace synctest
