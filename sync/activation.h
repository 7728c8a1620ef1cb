// The hotkey's jump to Corvane (starting it when needed), and showing in the
// IDE the file that is active in Corvane.
#pragma once

namespace kvx {

inline constexpr unsigned LaunchWaitMs = 10000;

void ActivateEditor();
void ShowEditorActiveFile();

}  // namespace kvx
