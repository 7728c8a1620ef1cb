// Reads the expert's section of the Windows profile once, at entry.
#pragma once

namespace kvx {

inline constexpr char SettingsSection[] = "Corvane for Windows 7.1";
inline constexpr char SafetySaveKey[] = "BorlandSafetySave";
inline constexpr char TrackProjectsKey[] = "BorlandTrackProjects";
inline constexpr char LaunchCommandKey[] = "BorlandKvxExecute";
inline constexpr char TempPathKey[] = "BorlandTempPath";

void LoadSettings();

}  // namespace kvx
