// Replacing an IDE buffer's text through the host's writers: the new text is
// inserted behind the old, then the old text is deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/toolintf.h"

namespace kvx {

inline constexpr char ErrorCaption[] = "ERROR";
inline constexpr char InsertFailedText[] = "Insert failed!";
inline constexpr char DeleteFailedText[] = "Delete failed!";

// Puts Text in place of the first OldLength bytes of the buffer. The Delphi 3
// build uses two undoable writers and reports failed edits in a box; the other
// builds use plain writers and delete the old text chunk end by chunk end
// (ChunkEnds, in order). True when the new text went in; when the insert
// failed the old text is left alone and false comes back.
bool ReplaceBufferText(TIEditorInterface* Editor, int32_t OldLength,
                       const std::vector<int32_t>& ChunkEnds, const std::string& Text);

}  // namespace kvx
