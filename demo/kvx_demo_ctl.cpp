// kvx_demo_ctl: plays the Corvane user from the command line, through the
// stand-in's control service (the interactive demo's second terminal).
//
//   kvx_demo_ctl [--control NAME] <command> [arguments]
// Uses WINSUB_DDE_DIR like the stand-in; file names are made absolute.
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "corvane_standin/control_client.h"
#include "demo/text_display.h"
#include "demo/transcript_view.h"

namespace {

using kvx::standin::CorvaneControlClient;
using kvx::standin::Outcome;

int Usage() {
  std::cerr << "usage: kvx_demo_ctl [--control NAME] <command> [arguments]\n"
               "  wait [seconds]                     wait for the stand-in (default 5 s)\n"
               "  edit <file> <text>                 replace the text and save (to the shadow file);\n"
               "                                     escapes \\r \\n \\t \\\\ \\\" \\xHH\n"
               "  stamp <file> <seconds>             date the shadow file now + seconds\n"
               "  cursor <file> <line> <col> <top>   move the cursor and the top line\n"
               "  reload <file>                      reload the file from disk\n"
               "  activate <file>                    make the file the active one\n"
               "  state                              what the stand-in holds\n"
               "  transcript                         what crossed on the link so far\n"
               "  quit                               end the stand-in\n";
  return 2;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    switch (next) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x':
        if (i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
          out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          out += "\\x";
        }
        break;
      default: out += next; break;
    }
  }
  return out;
}

std::string Absolute(const std::string& path) {
  return path.empty() || path[0] == '/' ? path : (std::filesystem::current_path() / path).lexically_normal().string();
}

int Report(const Outcome& outcome) {
  if (outcome.done) {
    std::cout << "done\n";
    return 0;
  }
  std::cout << "refused: " << outcome.reason << "\n";
  return 1;
}

int ShowState(CorvaneControlClient& control) {
  const auto state = control.State();
  if (!state) {
    std::cout << "no answer\n";
    return 1;
  }
  std::cout << "session: " << kvxdemo::Quoted(state->session) << "  directory: " << kvxdemo::Quoted(state->sessionDirectory)
            << "\nactive file: " << kvxdemo::Quoted(state->activeFile) << "\nactivations: " << state->activations
            << "\n";
  for (const auto& file : state->files) {
    std::cout << "file " << file.path << "\n  shadow " << file.shadow << "\n  cursor line " << file.line
              << ", column " << file.column << ", top line " << file.top
              << (file.reloadedFromDisk ? "; reloaded from disk" : "") << "\n"
              << kvxdemo::NumberedLines(file.text, "  ");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string service = kvx::standin::DefaultControlService;
  if (args.size() >= 2 && args[0] == "--control") {
    service = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage();
  const std::string command = args[0];
  const auto count = args.size() - 1;
  try {
    CorvaneControlClient control(service);
    const double seconds = command == "wait" && count == 1 ? std::atof(args[1].c_str()) : 5.0;
    if (!control.WaitForService(std::chrono::milliseconds(static_cast<long>(seconds * 1000)))) {
      std::cout << "the stand-in's control service \"" << service << "\" does not answer\n";
      return 1;
    }
    if (command == "wait" && count <= 1) {
      std::cout << "the stand-in is running\n";
      return 0;
    }
    if (command == "edit" && count == 2) return Report(control.Edit(Absolute(args[1]), Unescape(args[2])));
    if (command == "stamp" && count == 2) return Report(control.StampShadow(Absolute(args[1]), std::atoll(args[2].c_str())));
    if (command == "cursor" && count == 4) {
      return Report(control.MoveCursor(Absolute(args[1]), std::atoi(args[2].c_str()), std::atoi(args[3].c_str()),
                                       std::atoi(args[4].c_str())));
    }
    if (command == "reload" && count == 1) return Report(control.ReloadFromDisk(Absolute(args[1])));
    if (command == "activate" && count == 1) return Report(control.MakeActive(Absolute(args[1])));
    if (command == "quit" && count == 0) return Report(control.Quit());
    if (command == "state" && count == 0) return ShowState(control);
    if (command == "transcript" && count == 0) {
      const auto records = control.Transcript();
      if (!records) {
        std::cout << "no answer\n";
        return 1;
      }
      std::cout << kvxdemo::DescribeRecords(*records, "", "");
      return 0;
    }
  } catch (const std::exception& failure) {
    std::cerr << "kvx_demo_ctl: " << failure.what() << "\n";
    return 1;
  }
  return Usage();
}
