// The hotkey's jump to Corvane (starting it when needed), and showing in the
// IDE the file that is active in Corvane.
#pragma once

#include <string>

namespace kvx {

inline constexpr unsigned LaunchWaitMs = 10000;

void ActivateEditor();
void ShowEditorActiveFile();

// The command line that starts Corvane: LaunchCommand, and with project
// tracking on the quoted session argument of the current project.
std::string EditorLaunchLine();

}  // namespace kvx
