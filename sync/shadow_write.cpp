#include "sync/shadow_write.h"

#include <cstdint>
#include <vector>

#include "shell/variant.h"
#include "sync/file_search.h"
#include "sync/shadow_files.h"

namespace kvx {

namespace {

// Copies the whole buffer into File in chunks; the count and last byte read
// come back through Total and Last. False on a reader-less editor or any
// failed or short write.
bool CopyBufferToFile(TIEditReader* Reader, HANDLE File, int32_t& Total, char& Last) {
  std::vector<char> block(static_cast<std::size_t>(PushChunkSize) + 1);
  int position = 0;
  for (;;) {
    const int count = Reader->GetText(position, block.data(), PushChunkSize);
    if (count <= 0) return true;
    Last = block[static_cast<std::size_t>(count) - 1];
    Total += count;
    DWORD written = 0;
    if (WriteFile(File, block.data(), static_cast<DWORD>(count), &written, nullptr) == FALSE ||
        written != static_cast<DWORD>(count)) {
      return false;
    }
    position += count;
  }
}

}  // namespace

bool WriteShadowFile(KvxModuleNotifier& Record, TIEditorInterface* Editor) {
  if (Record.ShadowName.empty()) Record.ShadowName = MakeShadowFileName(Record.FileName);
  FoundFile source;
  const bool sourceExists = FindPlainFile(Record.FileName, &source);
  const DWORD attributes = sourceExists ? source.Attributes : 0;

  TIEditReader* reader = Editor->CreateReader();
  DeleteShadowFile(Record.ShadowName);
  HANDLE file = CreateFileA(Record.ShadowName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr);
  bool complete = false;
  int32_t total = 0;
  if (file != INVALID_HANDLE_VALUE) {
    char last = 0;
    complete = reader != nullptr && CopyBufferToFile(reader, file, total, last);
    if (CloseHandle(file) == FALSE) complete = false;
    if (complete) {
      // A module never saved keeps a trailing blank that is not its own text.
      if (!sourceExists && last == ' ') --total;
      SetFileAttributesA(Record.ShadowName.c_str(), attributes);
    } else {
      DeleteShadowFile(Record.ShadowName);
    }
  }
  ReleaseObject(reader);
  if (!complete) return false;
  Record.BytesWritten = total;
  Record.Modified = false;
  return true;
}

}  // namespace kvx
