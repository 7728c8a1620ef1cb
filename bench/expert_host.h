// The expert as the IDE runs it, in this process: the simulated IDE, the
// Delphi 3 core entered through its entry point with a profile that enables
// the link, and the Corvane stand-in serving on its own thread. One per
// process, made on first use and ended after the last benchmark.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "contracts/toolintf.h"
#include "corvane_standin/corvane_standin.h"
#include "simide/sim_ide.h"
#include "sync/tracked_modules.h"

namespace kvxbench {

// What reached the stand-in's editor service.
struct TrafficCount {
  std::uint64_t executes = 0;
  std::uint64_t executeBytes = 0;
  std::uint64_t requests = 0;
};

class ExpertHost {
 public:
  static ExpertHost& Get();

  // Writes count source files of size bytes each, opens them in the IDE (so
  // they are tracked) and returns their names. Any earlier set is closed.
  const std::vector<std::string>& OpenModules(std::size_t count, std::size_t size);
  void CloseModules();

  kvx::KvxModuleNotifier& Record(std::size_t index) const;
  const std::string& ShadowDirectory() const { return shadowDir_; }
  TrafficCount Traffic() const;

  simide::SimIde& Ide() { return *ide_; }

  ExpertHost(const ExpertHost&) = delete;
  ExpertHost& operator=(const ExpertHost&) = delete;
  ~ExpertHost();

 private:
  ExpertHost();

  std::string sourceDir_;
  std::string shadowDir_;
  std::unique_ptr<simide::SimIde> ide_;
  std::unique_ptr<kvx::standin::CorvaneStandin> corvane_;
  kvx::TExpertTerminateProc terminate_ = nullptr;
  std::vector<std::string> modules_;
  std::size_t setNumber_ = 0;
  std::atomic<std::uint64_t> executes_{0};
  std::atomic<std::uint64_t> executeBytes_{0};
  std::atomic<std::uint64_t> requests_{0};
};

// A source text of exactly size bytes: Pascal-looking lines ending in CR LF.
std::string ModuleText(std::size_t size, std::size_t module);

}  // namespace kvxbench
