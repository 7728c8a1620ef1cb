#include "sync/push.h"

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"
#include "menuctrl32/debugger_idle.h"
#include "shell/globals.h"
#include "sync/file_names.h"
#include "sync/file_search.h"
#include "sync/shadow_files.h"
#include "sync/shadow_write.h"
#include "sync/sweep_scope.h"
#include "sync/tracked_modules.h"

namespace kvx {

namespace {

constexpr std::string::size_type PositionPartLength = 10;

std::string Part(const char* Prefix, long long Value) {
  return (std::string(Prefix) + std::to_string(Value)).substr(0, PositionPartLength);
}

void SwitchSession(HCONV Conversation) {
  const std::string project = ToolServices->GetProjectName();
  if (project == SessionProject || !TrackProjects || !FindPlainFile(project)) return;
  SessionProject = project;
  RunEditorMacro(Conversation, std::string(CmdSession) + MakeSessionName(project) +
                                   CmdSessionDirPart + DirectoryPart(project));
}

}  // namespace

std::string PositionParts(TEditPos Cursor, TEditPos Top) {
  return Part(CmdReloadLinePart, Cursor.Line) + Part(CmdReloadColumnPart, Cursor.Col) +
         Part(CmdReloadTopPart, Top.Line);
}

void PushToEditor(HCONV Conversation) {
  if (Pushing || Pulling || !IsDebuggerIdle() || ShuttingDown) return;
  PushDone = false;
  HCONV conversation = Conversation;
  if (conversation == nullptr) {
    if (OpenConversations != 0) return;
    conversation = OpenEditorConversation();
    if (conversation == nullptr) return;
  }
  SweepScope scope(Pushing, conversation, Conversation == nullptr);

  SwitchSession(conversation);
  if (CurrentFile.empty()) CurrentFile = ToolServices->GetCurrentFile();
  const uint16_t count = TrackedCount;
  // Entries removed by a notification during the sweep are not visited.
  for (uint16_t i = 1; i <= count && i <= TrackedCount; ++i) {
    if (ToolServices->IsFileOpen(TrackedModules[i]->FileName)) PushModule(conversation, i);
  }
  PushDone = true;
}

void PushModule(HCONV Conversation, uint16_t Index) {
  KvxModuleNotifier& record = *TrackedModules[Index];
  RecordHold hold(record);
  if (record.ModuleInterface == nullptr) return;
  const char* activeFlag = record.FileName == CurrentFile ? "1" : "0";

  bool rewritten = false;
  TIEditorInterface* editor = record.ModuleInterface->GetEditorInterface();
  if (editor != nullptr) {
    if (editor->GetViewCount() < 1) {
      ReleaseObject(editor);
    } else {
      if (record.Modified) rewritten = WriteShadowFile(record, editor);
      // A shadow file that could not be written in full is not offered to
      // Corvane; the module stays modified and is written again next time.
      if (!record.Modified) {
        std::string positions;
        if (TIEditView* view = editor->GetView(0); view != nullptr) {
          positions = PositionParts(view->GetPos(0), view->GetPos(1));
          ReleaseObject(view);
        }
        if (!record.Announced) {
          SendRemoveFile(record.FileName, Conversation);
          record.Announced = true;
        }
        RunEditorMacro(Conversation, std::string(CmdReloadFileEx) + activeFlag + positions +
                                         CmdReloadFilePart + record.FileName +
                                         CmdReloadShadowPart + record.ShadowName);
      }
      ReleaseObject(editor);
    }
  }
  // Only the text written here is exchanged: a shadow file Corvane saved since
  // the last pull keeps its old record, so the next pull still takes it.
  if (rewritten) {
    FoundFile shadow;
    if (FindPlainFile(record.ShadowName, &shadow)) {
      record.ShadowTime = shadow.Stamp;
      record.ShadowWriteTime = shadow.WriteTime;
    }
  }
}

}  // namespace kvx
