// The DDE client of the expert: conversations with Corvane, macro commands and
// global-variable queries, in Corvane's wire format.
#pragma once

#include <cstdint>
#include <string>

#include "platform/winapi.h"

namespace kvx {

inline constexpr DWORD ExecuteTimeout = 300000;  // ms
inline constexpr DWORD RequestTimeout = 100000;  // ms
inline constexpr DWORD StringReplyLimit = 1025;

extern DWORD DdeInstance;    // 0: the link is off
extern HSZ ServiceHandle;    // "Corvane"
extern HSZ TopicHandle;      // "System"
extern int32_t OpenConversations;

bool InitDdeLink();
void DoneDdeLink();
HCONV OpenEditorConversation();
void CloseEditorConversation(HCONV Conversation);
HDDEDATA CALLBACK DdeCallback(UINT Type, UINT Format, HCONV Conversation, HSZ Hsz1, HSZ Hsz2,
                              HDDEDATA Data, ULONG_PTR Data1, ULONG_PTR Data2);

void EscapeBackslashes(std::string& Text);
void RunEditorMacro(HCONV Conversation, std::string Command);
int32_t QueryEditorInt(HCONV Conversation, std::string Name);
std::string QueryEditorString(HCONV Conversation, std::string Name);

}  // namespace kvx
