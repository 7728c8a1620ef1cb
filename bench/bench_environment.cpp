#include "bench/bench_environment.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "tests/support/test_environment.h"

namespace kvxbench {

namespace {

std::vector<std::function<void()>>& EndActions() {
  static std::vector<std::function<void()>> actions;
  return actions;
}

}  // namespace

bool failed = false;

void Fail(const std::string& why) {
  failed = true;
  std::fprintf(stderr, "BENCHMARK FAILURE: %s\n", why.c_str());
}

void AtEnd(std::function<void()> fn) { EndActions().push_back(std::move(fn)); }

}  // namespace kvxbench

int main(int argc, char** argv) {
  const std::string& scratch = kvxtest::ScratchDirectory();
  const std::string ddeDirectory = scratch + "/dde";
  setenv("WINSUB_DDE_DIR", ddeDirectory.c_str(), 1);
  setenv("WINSUB_WIN_INI", kvxtest::ProfilePath().c_str(), 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& actions = kvxbench::EndActions();
  for (auto it = actions.rbegin(); it != actions.rend(); ++it) (*it)();
  actions.clear();
  return kvxbench::failed ? 1 : 0;
}
