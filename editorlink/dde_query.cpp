#include <array>
#include <cstring>
#include <string>

#include "editorlink/dde_wire.h"
#include "editorlink/kvxdde.h"

namespace kvx {

namespace {

// One global query: set the global up, request it, reset it. The reply, if
// any, goes to Decode before it is freed.
template <typename DecodeReply>
void QueryGlobal(HCONV Conversation, const std::string& Name, bool IntegerGlobal,
                 DecodeReply Decode) {
  const HDDEDATA setup = CreateExecuteData(SetupGlobalText(Name, IntegerGlobal));
  if (setup == nullptr) return;
  SendExecute(Conversation, setup);

  const HSZ item = DdeCreateStringHandleA(DdeInstance, Name.c_str(), CP_WINANSI);
  if (item != nullptr) {
    const HDDEDATA reply = DdeClientTransaction(nullptr, 0, Conversation, item, CF_TEXT,
                                                XTYP_REQUEST, RequestTimeout, nullptr);
    if (reply != nullptr) {
      Decode(reply);
      DdeFreeDataHandle(reply);
    }
    DdeFreeStringHandle(DdeInstance, item);
  }
  DdeFreeDataHandle(setup);

  // A reset that cannot be made is dropped; the query still ends normally.
  const HDDEDATA reset = CreateExecuteData(ResetGlobalText(Name));
  if (reset == nullptr) return;
  SendExecute(Conversation, reset);
  DdeFreeDataHandle(reset);
}

}  // namespace

int32_t QueryEditorInt(HCONV Conversation, std::string Name) {
  int32_t result = 0;
  QueryGlobal(Conversation, Name, true, [&result](HDDEDATA reply) {
    // Little-endian on the wire whatever the host's byte order: a short
    // reply fills only the low-order bytes.
    std::array<BYTE, 4> bytes{};
    DdeGetData(reply, bytes.data(), static_cast<DWORD>(bytes.size()), 0);
    const uint32_t value = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                           (static_cast<uint32_t>(bytes[2]) << 16) |
                           (static_cast<uint32_t>(bytes[3]) << 24);
    result = static_cast<int32_t>(value);
  });
  return result;
}

std::string QueryEditorString(HCONV Conversation, std::string Name) {
  std::string result;
  QueryGlobal(Conversation, Name, false, [&result](HDDEDATA reply) {
    std::array<BYTE, StringReplyLimit> buffer{};
    DWORD copied = DdeGetData(reply, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (copied > buffer.size()) copied = static_cast<DWORD>(buffer.size());
    const auto* text = reinterpret_cast<const char*>(buffer.data());
    const void* nul = std::memchr(text, 0, copied);
    const std::size_t length =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : copied;
    result.assign(text, length);
  });
  return result;
}

}  // namespace kvx
