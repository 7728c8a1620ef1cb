#include "editorlink/kvxdde.h"

#include "contracts/corvane_commands.h"

namespace kvx {

DWORD DdeInstance = 0;
HSZ ServiceHandle = nullptr;
HSZ TopicHandle = nullptr;
int32_t OpenConversations = 0;

bool InitDdeLink() {
  if (DdeInstance != 0) return false;
  if (DdeInitializeA(&DdeInstance, &DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    // A failed start must leave the link off, whatever the call left behind.
    DdeInstance = 0;
    return false;
  }
  ServiceHandle = DdeCreateStringHandleA(DdeInstance, CorvaneService, CP_WINANSI);
  TopicHandle = DdeCreateStringHandleA(DdeInstance, CorvaneTopic, CP_WINANSI);
  return true;
}

void DoneDdeLink() {
  if (DdeInstance == 0) return;
  DdeFreeStringHandle(DdeInstance, TopicHandle);
  DdeFreeStringHandle(DdeInstance, ServiceHandle);
  // Uninitialising also ends any conversation still open.
  DdeUninitialize(DdeInstance);
  DdeInstance = 0;
}

HCONV OpenEditorConversation() {
  const HCONV conversation = DdeConnect(DdeInstance, ServiceHandle, TopicHandle, nullptr);
  if (conversation != nullptr) ++OpenConversations;
  return conversation;
}

void CloseEditorConversation(HCONV Conversation) {
  if (Conversation == nullptr) return;
  DdeDisconnect(Conversation);
  --OpenConversations;
}

// The expert is a client only: it serves nothing and answers every
// notification with 0.
HDDEDATA CALLBACK DdeCallback(UINT Type, UINT Format, HCONV Conversation, HSZ Hsz1, HSZ Hsz2,
                              HDDEDATA Data, ULONG_PTR Data1, ULONG_PTR Data2) {
  (void)Type;
  (void)Format;
  (void)Conversation;
  (void)Hsz1;
  (void)Hsz2;
  (void)Data;
  (void)Data1;
  (void)Data2;
  return nullptr;
}

}  // namespace kvx
