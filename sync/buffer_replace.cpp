#include "sync/buffer_replace.h"

#include "platform/winapi.h"
#include "shell/variant.h"

namespace kvx {

namespace {

constexpr UINT ErrorBoxType = MB_OK | MB_SYSTEMMODAL;

TIEditWriter* NewWriter(TIEditorInterface* Editor) {
  if constexpr (UndoableTakeOver) {
    return Editor->CreateUndoableWriter();
  } else {
    return Editor->CreateWriter();
  }
}

void ReportFailure(const char* Text) {
  if constexpr (UndoableTakeOver) MessageBoxA(nullptr, Text, ErrorCaption, ErrorBoxType);
}

}  // namespace

bool ReplaceBufferText(TIEditorInterface* Editor, int32_t OldLength,
                       const std::vector<int32_t>& ChunkEnds, const std::string& Text) {
  TIEditWriter* writer = NewWriter(Editor);
  if (writer == nullptr) return false;
  writer->CopyTo(OldLength);
  int oldEnd = 0;
  if constexpr (UndoableTakeOver) oldEnd = writer->Position();
  const bool inserted = writer->Insert(Text.c_str());
  if (!inserted) ReportFailure(InsertFailedText);
  ReleaseObject(writer);
  // Without the new text in place, deleting the old one would leave neither.
  if (!inserted) return false;

  writer = NewWriter(Editor);
  if (writer == nullptr) return true;
  if constexpr (UndoableTakeOver) {
    if (!writer->DeleteTo(oldEnd)) ReportFailure(DeleteFailedText);
  } else {
    for (const int32_t end : ChunkEnds) writer->DeleteTo(end);
  }
  ReleaseObject(writer);
  return true;
}

}  // namespace kvx
