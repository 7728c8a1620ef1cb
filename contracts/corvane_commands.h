// What the expert says to Corvane: its DDE names, the macro commands it runs
// and the global variables it reads. Values are appended as raw text.
#pragma once

namespace kvx {

inline constexpr char CorvaneService[] = "Corvane";
inline constexpr char CorvaneTopic[] = "System";

// Commands (a value follows each one that ends in "=").
inline constexpr char CmdRemoveFile[] = "Remote^RemRemoveFile /F=";
inline constexpr char CmdReloadFileEx[] = "Remote^RemReloadFileEx /FLAGS=";
inline constexpr char CmdReloadLinePart[] = "/L=";
inline constexpr char CmdReloadColumnPart[] = "/C=";
inline constexpr char CmdReloadTopPart[] = "/T=";
inline constexpr char CmdReloadFilePart[] = "/F=";
inline constexpr char CmdReloadShadowPart[] = "/V=";
inline constexpr char CmdSession[] = "SessMgr /SESSION=";
inline constexpr char CmdSessionDirPart[] = "/DIR=";
inline constexpr char CmdActivate[] = "Remote^RemActivate";
inline constexpr char CmdGetActiveFile[] = "Remote^RemGetActiveFile /GN=!REMACTIVEFILE";
inline constexpr char CmdGetFileInfo[] = "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=";

// Globals.
inline constexpr char GlobalActiveFile[] = "!REMACTIVEFILE";
inline constexpr char GlobalCurPosFlags[] = "!REMCURPOS_F";
inline constexpr char GlobalCurPosLine[] = "!REMCURPOS_L";
inline constexpr char GlobalCurPosColumn[] = "!REMCURPOS_C";
inline constexpr char GlobalCurPosTop[] = "!REMCURPOS_T";

// Flag word of "!REMCURPOS_F": bit 16 set with bit 0 clear means Corvane
// reloaded the file from disk itself.
inline constexpr int ReloadedFromDiskMask = 0x10001;
inline constexpr int ReloadedFromDiskValue = 0x10000;

// Start-up argument that names the session.
inline constexpr char SessionArgument[] = "-SN";

// Execute texts that wrap commands and global set-up / reset.
inline constexpr char MacroRunPrefix[] = "[RUNMACRO(\"";
inline constexpr char MacroRunSuffix[] = "\")]";
inline constexpr char SetupGlobalPrefix[] = "[SETUPGLOBAL(\"";
inline constexpr char SetupIntGlobalSuffix[] = "\",\"1\")]";
inline constexpr char SetupStringGlobalSuffix[] = "\",\"0\")]";
inline constexpr char ResetGlobalPrefix[] = "[RESETGLOBAL(\"";
inline constexpr char ResetGlobalSuffix[] = "\"\")]";

}  // namespace kvx
