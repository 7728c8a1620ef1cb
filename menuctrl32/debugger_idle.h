// Whether no program runs under the IDE's debugger, told from the state of the
// IDE's Run|Program reset menu command.
#pragma once

namespace kvx {

inline constexpr char ProgramResetPath[] = "Run|Program reset";

bool IsDebuggerIdle();

}  // namespace kvx
