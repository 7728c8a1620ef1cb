#include "demo/standin_process.h"

#include <dirent.h>
#include <signal.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "corvane_standin/control_client.h"

namespace kvxdemo {

namespace {

std::string ReadProcFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> SplitNuls(const std::string& bytes) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\0', start);
    parts.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

// A process that has ended but not been reaped yet counts as gone.
bool Alive(pid_t pid) {
  if (kill(pid, 0) != 0) return false;
  const std::string stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] != 'Z';
}

}  // namespace

StandinProcess FindStandin(const std::string& transcript) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return {};
  StandinProcess found;
  while (const dirent* entry = readdir(proc)) {
    const std::string name = entry->d_name;
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
    const auto argv = SplitNuls(ReadProcFile("/proc/" + name + "/cmdline"));
    for (std::size_t i = 1; i + 1 < argv.size(); ++i) {
      if (argv[i] == "--transcript" && argv[i + 1] == transcript) {
        const pid_t pid = static_cast<pid_t>(std::atol(name.c_str()));
        if (Alive(pid)) found = StandinProcess{pid, argv};
      }
    }
  }
  closedir(proc);
  return found;
}

bool WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Alive(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string StopStandin(const std::string& transcript, std::chrono::milliseconds limit) {
  const StandinProcess standin = FindStandin(transcript);
  if (standin.pid == 0) return "no stand-in process was running";
  bool asked = false;
  try {
    kvx::standin::CorvaneControlClient control;
    asked = control.WaitForService(std::chrono::milliseconds(500)) && control.Quit().done;
  } catch (const std::exception&) {
    asked = false;
  }
  if (asked && WaitForExit(standin.pid, limit)) return "the stand-in quit when asked (control \"quit\")";
  kill(standin.pid, SIGKILL);
  WaitForExit(standin.pid, std::chrono::milliseconds(1000));
  return asked ? "the stand-in did not quit in time and was killed"
               : "the stand-in's control service did not answer; it was killed";
}

void KillStandin(const std::string& transcript) {
  const StandinProcess standin = FindStandin(transcript);
  if (standin.pid != 0) kill(standin.pid, SIGKILL);
}

}  // namespace kvxdemo
