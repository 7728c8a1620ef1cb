#include "demo/workspace.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "corvane_standin/control_names.h"

namespace kvxdemo {

namespace texts {
const char ProjectSource[] =
    "program Demo;\r\n\r\nuses\r\n  Alpha in 'alpha.pas',\r\n  Beta in 'beta.pas';\r\n\r\nbegin\r\n"
    "  WriteLn(Greeting, Answer);\r\nend.\r\n";
const char AlphaOriginal[] =
    "unit Alpha;\r\n\r\ninterface\r\n\r\nfunction Greeting: string;\r\n\r\nimplementation\r\n\r\n"
    "function Greeting: string;\r\nbegin\r\n  Result := 'Hello';\r\nend;\r\n\r\nend.\r\n";
const char AlphaEditedInCorvane[] =
    "unit Alpha;\r\n\r\ninterface\r\n\r\nfunction Greeting: string;\r\n\r\nimplementation\r\n\r\n"
    "function Greeting: string;\r\nbegin\r\n  Result := 'Hello from Corvane';\r\nend;\r\n\r\nend.\r\n";
const char BetaOriginal[] =
    "unit Beta;\r\n\r\ninterface\r\n\r\nconst\r\n  Answer = 41;\r\n\r\nimplementation\r\n\r\nend.\r\n";
const char BetaTypedInIde[] = "{ draft } ";
const char BetaCheckedOut[] =
    "unit Beta;\r\n\r\ninterface\r\n\r\nconst\r\n  Answer = 42;  { fixed upstream }\r\n\r\n"
    "implementation\r\n\r\nend.\r\n";
}  // namespace texts

namespace {

// Blanks need quotes on a Windows command line; the demo's paths hold no quotes.
std::string Argument(const std::string& text) {
  return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

}  // namespace

std::string LaunchCommand(const std::string& corvane, const Workspace& workspace) {
  // The control service is named last: a value that starts and ends with a
  // quote would lose both to the profile reader.
  return Argument(corvane) + " --transcript " + Argument(workspace.transcript) + " --control " +
         kvx::standin::DefaultControlService;
}

std::string ProfileText(const std::string& launchCommand, const std::string& shadowDir) {
  return "[Corvane for Windows 7.1]\n"
         "Delphi3Enabled=1\n"
         "Delphi3HotKey=1867\n"  // 'K' (0x4B) + 256 * (0x01 | Shift 0x02 | Ctrl 0x04)
         "BorlandSafetySave=1\n"
         "BorlandTrackProjects=1\n"
         "BorlandKvxExecute=" + launchCommand + "\n"
         "BorlandTempPath=" + shadowDir + "\n";
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<Workspace> MakeWorkspace(const std::string& parent, const std::string& corvane, std::string* why) {
  std::string pattern = parent + "/kvx-demo-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    *why = "cannot create a workspace under " + parent;
    return std::nullopt;
  }
  Workspace w;
  w.root = name.data();
  const std::string sources = w.root + "/project";
  w.project = sources + "/demo.dpr";
  w.alpha = sources + "/alpha.pas";
  w.beta = sources + "/beta.pas";
  w.shadowDir = w.root + "/shadow";
  w.ddeDir = w.root + "/dde";
  w.profile = w.root + "/win.ini";
  w.transcript = w.root + "/corvane-transcript.log";
  for (const std::string& dir : {sources, w.shadowDir, w.ddeDir}) {
    if (mkdir(dir.c_str(), 0700) != 0) {
      *why = "cannot create " + dir;
      return std::nullopt;
    }
  }
  const bool written = WriteFile(w.project, texts::ProjectSource) && WriteFile(w.alpha, texts::AlphaOriginal) &&
                       WriteFile(w.beta, texts::BetaOriginal) &&
                       WriteFile(w.profile, ProfileText(LaunchCommand(corvane, w), w.shadowDir));
  if (!written) {
    *why = "cannot write the workspace files in " + w.root;
    return std::nullopt;
  }
  return w;
}

void RemoveWorkspace(const Workspace& workspace) {
  std::error_code ignored;
  std::filesystem::remove_all(workspace.root, ignored);
}

}  // namespace kvxdemo
