#include "shell/settings.h"

#include <cstring>

#include "platform/winapi.h"
#include "shell/globals.h"
#include "shell/variant.h"

namespace kvx {

namespace {

// A string value is read with room for 253 characters into a larger buffer,
// so that a delimiter can still be appended.
constexpr DWORD StringBufferSize = 261;
constexpr DWORD StringReadSize = 254;
constexpr std::size_t MaxDirectoryLength = 260;

bool ReadSwitch(const char* Key, INT Default) {
  return (GetProfileIntA(SettingsSection, Key, Default) & 0xFFu) != 0;
}

std::string ReadString(const char* Key, char (&Buffer)[StringBufferSize]) {
  std::memset(Buffer, 0, sizeof Buffer);
  GetProfileStringA(SettingsSection, Key, "", Buffer, StringReadSize);
  return std::string(Buffer);  // up to the first NUL
}

}  // namespace

void LoadSettings() {
  LinkEnabled = ReadSwitch(EnabledKey, 0);

  const UINT hotKey = GetProfileIntA(SettingsSection, HotKeyKey, 0);
  HotKeyChar = static_cast<uint8_t>(hotKey & 0xFFu);
  HotKeyFlags = static_cast<uint8_t>((hotKey >> 8) & 0xFFu);

  SafetySave = ReadSwitch(SafetySaveKey, 1);
  TrackProjects = ReadSwitch(TrackProjectsKey, 1);

  char buffer[StringBufferSize];
  LaunchCommand = ReadString(LaunchCommandKey, buffer);

  std::string directory = ReadString(TempPathKey, buffer);
  if (!directory.empty() && directory.back() != PathDelimiter &&
      directory.size() < MaxDirectoryLength) {
    directory += PathDelimiter;
  }
  ShadowDirectory = directory;
}

}  // namespace kvx
