#include "sync/shadow_files.h"

#include <cstddef>

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"
#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/file_names.h"
#include "sync/file_search.h"

namespace kvx {

namespace {

constexpr DWORD TempPathBufferSize = 260;

// The system's temporary directory with a trailing delimiter. An empty or
// failed answer leaves the directory empty: names are then made relative to
// the current directory rather than in the root.
std::string SystemTempDirectory() {
  char buffer[TempPathBufferSize + 1] = {};
  const DWORD length = GetTempPathA(TempPathBufferSize, buffer);
  if (length == 0 || length >= TempPathBufferSize) return std::string();
  std::string directory(buffer, length);
  if (directory.back() != PathDelimiter && directory.size() < TempPathBufferSize) {
    directory += PathDelimiter;
  }
  return directory;
}

}  // namespace

std::string MakeShadowFileName(const std::string& FileName) {
  if (ShadowDirectory.empty()) ShadowDirectory = SystemTempDirectory();
  const std::string file = FilePart(FileName);
  const std::string base = RemoveExtension(file);
  const std::string extension = ExtensionOf(file);
  for (std::size_t n = 0;; ++n) {
    std::string candidate = ShadowDirectory + base + "." + std::to_string(n) + extension;
    if (!NonDirectoryExists(candidate)) return candidate;
  }
}

std::string MakeSessionName(const std::string& ProjectFile) {
  return std::string(SessionPrefix) + FilePart(RemoveExtension(ProjectFile));
}

void SendRemoveFile(const std::string& FileName, HCONV Conversation) {
  HCONV conversation = Conversation;
  if (conversation == nullptr) {
    if (OpenConversations != 0) return;
    conversation = OpenEditorConversation();
    if (conversation == nullptr) return;
  }
  RunEditorMacro(conversation, std::string(CmdRemoveFile) + FileName);
  if (Conversation == nullptr) CloseEditorConversation(conversation);
}

void DeleteShadowFile(const std::string& ShadowName) {
  SetFileAttributesA(ShadowName.c_str(), 0);
  DeleteFileA(ShadowName.c_str());
}

}  // namespace kvx
