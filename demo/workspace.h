// The demo's private workspace: a fresh directory holding the project and its
// two units, the shadow directory, the DDE socket directory, the profile
// (WIN.INI) and the stand-in's transcript.
#pragma once

#include <optional>
#include <string>

namespace kvxdemo {

struct Workspace {
  std::string root;        // no trailing '/'
  std::string project;     // the project file
  std::string alpha;       // the unit edited in Corvane
  std::string beta;        // the unit reloaded from disk in Corvane
  std::string shadowDir;
  std::string ddeDir;
  std::string profile;
  std::string transcript;
};

// The launch line the profile gives the link: the stand-in program with its
// transcript and control service (the link appends the session argument).
std::string LaunchCommand(const std::string& corvane, const Workspace& workspace);

// The profile section that turns the link on for Delphi 3 with the hotkey
// Ctrl+Shift+K, safety save and project tracking on.
std::string ProfileText(const std::string& launchCommand, const std::string& shadowDir);

// Creates a fresh directory under `parent` with the project files (on disk,
// CR LF line breaks), the empty shadow and DDE directories and the profile.
// nullopt and *why when something cannot be made.
std::optional<Workspace> MakeWorkspace(const std::string& parent, const std::string& corvane, std::string* why);

bool WriteFile(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadFile(const std::string& path);

void RemoveWorkspace(const Workspace& workspace);

// What the files hold at the start, and what changes during the round trip.
namespace texts {
extern const char ProjectSource[];
extern const char AlphaOriginal[];
extern const char AlphaEditedInCorvane[];
extern const char BetaOriginal[];
extern const char BetaTypedInIde[];     // typed at the start of a line in the IDE
extern const char BetaCheckedOut[];     // what a checkout leaves on disk
}  // namespace texts

}  // namespace kvxdemo
