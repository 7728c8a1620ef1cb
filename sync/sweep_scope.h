// What a push or pull sweep undoes on every way out, an escaping host
// exception included: its own conversation is closed, then its flag cleared.
#pragma once

#include "editorlink/kvxdde.h"
#include "platform/winapi.h"

namespace kvx {

class SweepScope {
 public:
  SweepScope(bool& Flag, HCONV Conversation, bool OwnsConversation)
      : flag_(Flag), conversation_(Conversation), owns_(OwnsConversation) {
    flag_ = true;
  }
  ~SweepScope() {
    if (owns_ && conversation_ != nullptr) CloseEditorConversation(conversation_);
    flag_ = false;
  }
  SweepScope(const SweepScope&) = delete;
  SweepScope& operator=(const SweepScope&) = delete;

 private:
  bool& flag_;
  HCONV conversation_;
  bool owns_;
};

}  // namespace kvx
