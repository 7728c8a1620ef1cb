// corvane: the stand-in editor as a program of its own, for the demo and for
// tests across processes.
//   corvane [--transcript FILE] [--control NAME] [-SN<session>] [other args ignored]
#include <cstdio>
#include <string>
#include <string_view>

#include "contracts/corvane_commands.h"
#include "corvane_standin/control_names.h"
#include "corvane_standin/standin_server.h"

int main(int argc, char** argv) {
  kvx::standin::ServerOptions options;
  options.controlService = kvx::standin::DefaultControlService;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if ((argument == "--transcript" || argument == "--control") && i + 1 < argc) {
      (argument == "--transcript" ? options.transcriptPath : options.controlService) = argv[++i];
    } else if (argument.starts_with(kvx::SessionArgument)) {
      std::string_view session = argument.substr(std::string_view(kvx::SessionArgument).size());
      // A launcher that passes the whole quoted word on leaves its closing quote.
      if (session.ends_with('"')) session.remove_suffix(1);
      options.session = std::string(session);
    }
  }
  if (options.controlService.empty()) options.controlService = kvx::standin::DefaultControlService;

  kvx::standin::StandinServer server(options);
  const kvx::standin::Outcome started = server.Start();
  if (!started) {
    std::fprintf(stderr, "corvane: %s\n", started.reason.c_str());
    return 1;
  }
  const int code = server.Run();
  server.Shutdown();
  return code;
}
