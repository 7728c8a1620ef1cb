#include "sync/pull.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"
#include "menuctrl32/debugger_idle.h"
#include "shell/globals.h"
#include "shell/variant.h"
#include "sync/buffer_replace.h"
#include "sync/file_search.h"
#include "sync/pull_text.h"
#include "sync/shadow_read.h"
#include "sync/sweep_scope.h"
#include "sync/tracked_modules.h"

namespace kvx {

namespace {

constexpr int MeasureChunk = 10000;
constexpr std::size_t MinTextBuffer = 10001;
// Room behind the shadow text: the line break that may be appended and the
// terminating NUL (only the NUL where the text is taken as it is).
constexpr std::size_t TextTail = UndoableTakeOver ? 3 : 1;
constexpr UINT OverwriteBoxType = MB_YESNO | MB_ICONWARNING;
constexpr char CR = 13;

// What the IDE buffer holds before the take-over.
struct Measured {
  int32_t Length = 0;
  std::vector<int32_t> ChunkEnds;  // where the chunk-wise delete stops
};

// Reads the buffer through in chunks. Without a reader the record's length of
// the last exchange stands for the old text. The list of chunk ends grows with
// the buffer, so a text of any size is deleted in full.
Measured MeasureBuffer(TIEditorInterface* Editor, const KvxModuleNotifier& Record,
                       bool SourceMissing, std::vector<char>& Scratch) {
  Measured measured;
  TIEditReader* reader = Editor->CreateReader();
  if (reader == nullptr) {
    measured.Length = Record.BytesWritten;
    measured.ChunkEnds.push_back(Record.BytesWritten);
    return measured;
  }
  char last = 0;
  for (;;) {
    const int count = reader->GetText(measured.Length, Scratch.data(), MeasureChunk);
    if (count <= 0) break;
    last = Scratch[static_cast<std::size_t>(count) - 1];
    measured.Length += count;
    measured.ChunkEnds.push_back(last == CR ? measured.Length - 1 : measured.Length);
  }
  if (SourceMissing && last == ' ') {
    --measured.Length;
    if (!measured.ChunkEnds.empty()) --measured.ChunkEnds.back();
  }
  ReleaseObject(reader);
  return measured;
}

void MoveToStart(TIEditorInterface* Editor) {
  if (Editor->GetViewCount() <= 0) return;
  TIEditView* view = Editor->GetView(0);
  if (view == nullptr) return;
  view->SetPos(0, TEditPos{1, 1});
  view->SetPos(1, TEditPos{1, 1});
  ReleaseObject(view);
}

// Takes the shadow file's text into the buffer. Only a text that reached the
// buffer is recorded as exchanged; otherwise the record stays as it was, so the
// next pull tries again and the shadow file is never taken for granted.
bool TakeOver(KvxModuleNotifier& Record, TIEditorInterface* Editor, const FoundFile& Shadow,
              bool SourceMissing) {
  MoveToStart(Editor);
  const std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(Shadow.Size, INT32_MAX));
  // The text may take what the shadow file held when it was looked up; the
  // buffer is measured through a block of one chunk only.
  const std::size_t limit = std::max(size + TextTail, MinTextBuffer) - TextTail;
  Measured old;
  {
    std::vector<char> scratch(MinTextBuffer);
    old = MeasureBuffer(Editor, Record, SourceMissing, scratch);
  }

  std::string text;
  if (!ReadShadowText(Record.ShadowName, limit, text)) return false;
  if constexpr (UndoableTakeOver) text = NormaliseShadowText(std::move(text));
  if (!ReplaceBufferText(Editor, old.Length, old.ChunkEnds, text)) return false;

  Record.BytesWritten = static_cast<int32_t>(std::strlen(text.c_str()));
  Record.Modified = false;
  Record.ShadowTime = Shadow.Stamp;
  Record.ShadowWriteTime = Shadow.WriteTime;
  return true;
}

void PlaceCursor(TIEditorInterface* Editor, HCONV Conversation) {
  const int32_t line = QueryEditorInt(Conversation, GlobalCurPosLine);
  const int32_t column = QueryEditorInt(Conversation, GlobalCurPosColumn);
  const TEditPos cursor{static_cast<int16_t>(column & 0xFFFF), line};
  if (line == 0) return;
  const int32_t topLine = QueryEditorInt(Conversation, GlobalCurPosTop);
  TIEditView* view = Editor->GetView(0);
  if (view == nullptr) return;
  view->SetPos(0, cursor);
  view->SetPos(1, TopPosition(cursor, topLine, view->GetViewSize()));
  ReleaseObject(view);
}

}  // namespace

void PullFromEditor() {
  if (Pushing || !IsDebuggerIdle() || !PushDone || Pulling || OpenConversations != 0 ||
      ShuttingDown) {
    return;
  }
  HCONV conversation = OpenEditorConversation();
  SweepScope scope(Pulling, conversation, true);

  EditorActiveFile = !CurrentFile.empty() ? CurrentFile : ToolServices->GetCurrentFile();
  if (conversation != nullptr) {
    RunEditorMacro(conversation, CmdGetActiveFile);
    EditorActiveFile = QueryEditorString(conversation, GlobalActiveFile);
  }
  const uint16_t count = TrackedCount;
  // Entries removed by a notification during the sweep are not visited.
  for (uint16_t i = 1; i <= count && i <= TrackedCount; ++i) {
    if (ToolServices->IsFileOpen(TrackedModules[i]->FileName)) PullModule(i, conversation);
  }
}

void PullModule(uint16_t Index, HCONV Conversation) {
  KvxModuleNotifier& record = *TrackedModules[Index];
  RecordHold hold(record);
  if (record.FileName.empty() || record.ShadowName.empty() || record.ModuleInterface == nullptr) {
    return;
  }
  if (Conversation != nullptr) {
    RunEditorMacro(Conversation, std::string(CmdGetFileInfo) + record.FileName);
  }
  const bool sourceMissing = !FindPlainFile(record.FileName);
  FoundFile shadow;
  if (!FindPlainFile(record.ShadowName, &shadow)) return;
  TIEditorInterface* editor = record.ModuleInterface->GetEditorInterface();
  if (editor == nullptr) return;

  // Any change of the full-resolution write time counts: a rewrite within the
  // two-second slot of the DOS stamp, or a stamp that went backwards.
  bool takenOver = false;
  if (shadow.WriteTime != record.ShadowWriteTime) {
    takenOver = TakeOver(record, editor, shadow, sourceMissing);
  }

  const int32_t flags =
      Conversation != nullptr ? QueryEditorInt(Conversation, GlobalCurPosFlags) : 0;
  if (ReloadedFromDisk(flags)) {
    const bool modified = editor->BufferModified();
    ReleaseObject(editor);
    const bool reload =
        !modified || MessageBoxA(AppBuilderWindow, OverwriteQuestion(record.FileName).c_str(),
                                 OverwriteCaption, OverwriteBoxType) == IDYES;
    if (reload) ToolServices->ReloadFile(record.FileName);
    editor = record.ModuleInterface->GetEditorInterface();
  }
  if (editor != nullptr) {
    if (editor->GetViewCount() > 0 && Conversation != nullptr) PlaceCursor(editor, Conversation);
    ReleaseObject(editor);
  }
  if (takenOver && !sourceMissing && SafetySave) record.ModuleInterface->Save(true);
}

}  // namespace kvx
