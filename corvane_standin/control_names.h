// Names of the stand-in's control service: the DDE service by which a test or
// the demo, in another process, plays the editor's user.
#pragma once

namespace kvx::standin {

inline constexpr char DefaultControlService[] = "CorvaneControl";
inline constexpr char ControlTopic[] = "Control";

// Request items of the control service.
inline constexpr char StateItem[] = "state";            // FormatState text, then NUL
inline constexpr char TranscriptItem[] = "transcript";  // all records, transcript format
inline constexpr char RefusalItem[] = "refusal";        // why the last control command failed

}  // namespace kvx::standin
