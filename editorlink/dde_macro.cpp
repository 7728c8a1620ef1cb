#include <string>

#include "editorlink/dde_wire.h"
#include "editorlink/kvxdde.h"

namespace kvx {

void EscapeBackslashes(std::string& Text) {
  for (std::string::size_type i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\\') {
      Text.insert(i, 1, '\\');
      ++i;  // past the pair
    }
  }
}

void RunEditorMacro(HCONV Conversation, std::string Command) {
  HCONV conversation = Conversation;
  const bool ownConversation = conversation == nullptr;
  if (ownConversation) {
    conversation = OpenEditorConversation();
    if (conversation == nullptr) return;
  }

  EscapeBackslashes(Command);
  const HDDEDATA data = CreateExecuteData(MacroRunText(Command));
  if (data != nullptr) {
    SendExecute(conversation, data);
    DdeFreeDataHandle(data);
  }

  if (ownConversation) CloseEditorConversation(conversation);
}

}  // namespace kvx
