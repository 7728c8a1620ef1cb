// Writing an IDE buffer to its module's shadow file.
#pragma once

#include "contracts/toolintf.h"
#include "sync/tracked_modules.h"

namespace kvx {

// Rewrites Record's shadow file (choosing its name the first time) with the
// editor's text, raw bytes through the host's reader, and gives it the source
// file's attributes. On success sets BytesWritten and clears Modified.
//
// The file is made anew after the old one is deleted, exclusively (a name
// somebody else created meanwhile, or a link planted there, is never written
// through) and private to the user. When the text cannot be had or written in
// full, a partial file is removed and the record keeps Modified and its old
// BytesWritten, so Corvane is never handed a truncated text as the buffer:
// returns false, and the caller does not ask Corvane to load it.
bool WriteShadowFile(KvxModuleNotifier& Record, TIEditorInterface* Editor);

}  // namespace kvx
