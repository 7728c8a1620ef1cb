// simide_<variant>: runs the simulated IDE from a script file or, without
// one, from standard input (interactively when that is a terminal).
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <string>

#include "simide/script.h"
#include "simide/sim_ide.h"

#ifndef SIMIDE_DEFAULT_EXPERT
#  define SIMIDE_DEFAULT_EXPERT ""
#endif

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
    std::cerr << "usage: " << argv[0] << " [script | -]\n";
    return 2;
  }
  try {
    simide::SimIde ide;
    ide.SetLog([](const std::string& line) { std::cout << "  | " << line << std::endl; });
    simide::ScriptRunner runner(ide, std::cout, std::cerr);
    runner.SetDefaultExpert(SIMIDE_DEFAULT_EXPERT);
    int status = 0;
    if (argc == 2 && std::string(argv[1]) != "-") {
      std::ifstream script(argv[1]);
      if (!script) {
        std::cerr << argv[0] << ": cannot open " << argv[1] << "\n";
        return 2;
      }
      status = runner.Run(script, false);
    } else {
      status = runner.Run(std::cin, isatty(STDIN_FILENO) != 0);
    }
    if (ide.ExpertLoaded()) ide.Shutdown();
    return status;
  } catch (const std::exception& failure) {
    std::cerr << argv[0] << ": " << failure.what() << "\n";
    return 2;
  }
}
