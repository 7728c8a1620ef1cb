// kvx_demo: one round trip of the link between the simulated IDE (this
// process, with the Delphi 3 expert loaded) and the Corvane stand-in (a
// process the link starts), printed step by step and checked. Ends with
// "DEMO PASSED" (status 0) or "DEMO FAILED: <reason>" (status 1).
//
//   kvx_demo [--expert LIB] [--corvane PROGRAM] [--tmp DIR] [--keep] [--quiet]
#include <cstdlib>
#include <iostream>
#include <string>

#include "demo/checks.h"
#include "demo/round_trip.h"
#include "demo/standin_process.h"
#include "demo/watchdog.h"
#include "demo/workspace.h"

#ifndef KVX_DEMO_EXPERT
#  define KVX_DEMO_EXPERT ""
#endif
#ifndef KVX_DEMO_CORVANE
#  define KVX_DEMO_CORVANE ""
#endif

namespace {

constexpr auto RunLimit = std::chrono::seconds(90);

struct Options {
  std::string expert = KVX_DEMO_EXPERT;
  std::string corvane = KVX_DEMO_CORVANE;
  std::string parent;
  bool keep = false;
  bool quiet = false;
};

int Usage(const char* program) {
  std::cerr << "usage: " << program << " [--expert LIB] [--corvane PROGRAM] [--tmp DIR] [--keep] [--quiet]\n"
            << "  --expert LIB       the Delphi 3 expert library (default: the one of this build)\n"
            << "  --corvane PROGRAM  the stand-in editor (default: the one of this build)\n"
            << "  --tmp DIR          where the fresh workspace is made (default: $TMPDIR or /tmp)\n"
            << "  --keep             keep the workspace after a passing run (a failing run always keeps it)\n"
            << "  --quiet            leave out the IDE's own events (notifications, reloads)\n";
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--expert" && hasValue) {
      options.expert = argv[++i];
    } else if (argument == "--corvane" && hasValue) {
      options.corvane = argv[++i];
    } else if (argument == "--tmp" && hasValue) {
      options.parent = argv[++i];
    } else if (argument == "--keep") {
      options.keep = true;
    } else if (argument == "--quiet") {
      options.quiet = true;
    } else {
      return false;
    }
  }
  if (options.parent.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    options.parent = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  return !options.expert.empty() && !options.corvane.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return Usage(argv[0]);
  std::cout << std::unitbuf;

  std::string why;
  const auto workspace = kvxdemo::MakeWorkspace(options.parent, options.corvane, &why);
  if (!workspace) {
    std::cout << "DEMO FAILED: " << why << "\n";
    return 1;
  }
  // Our own profile and DDE directory: no other Corvane, IDE or setting is met.
  // Set before the first substitute call; the started stand-in inherits them.
  setenv("WINSUB_WIN_INI", workspace->profile.c_str(), 1);
  setenv("WINSUB_DDE_DIR", workspace->ddeDir.c_str(), 1);

  std::cout << "kvxlink demo: a round trip between the simulated IDE and Corvane (stand-in)\n";
  const auto started = std::chrono::steady_clock::now();
  kvxdemo::Checks checks;
  {
    const std::string transcript = workspace->transcript;
    kvxdemo::Watchdog watchdog(RunLimit, [transcript] { kvxdemo::KillStandin(transcript); });
    kvxdemo::RunRoundTrip(*workspace, kvxdemo::RoundTripSetup{options.expert, !options.quiet}, watchdog, checks);
  }
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);

  std::cout << "\n" << checks.Count() << " checks in " << took.count() << " ms\n";
  if (checks.Passed() && !options.keep) {
    kvxdemo::RemoveWorkspace(*workspace);
  } else {
    std::cout << "workspace kept: " << workspace->root << " (transcript: " << workspace->transcript << ")\n";
  }
  if (checks.Passed()) {
    std::cout << "DEMO PASSED\n";
    return 0;
  }
  std::cout << "DEMO FAILED: " << checks.FirstFailure() << "\n";
  return 1;
}
