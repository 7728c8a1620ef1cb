#include "editorlink/dde_wire.h"

#include <vector>

#include "contracts/corvane_commands.h"
#include "editorlink/kvxdde.h"

namespace kvx {

std::string MacroRunText(const std::string& EscapedCommand) {
  return MacroRunPrefix + EscapedCommand + MacroRunSuffix;
}

std::string SetupGlobalText(const std::string& Name, bool IntegerGlobal) {
  return SetupGlobalPrefix + Name + (IntegerGlobal ? SetupIntGlobalSuffix : SetupStringGlobalSuffix);
}

std::string ResetGlobalText(const std::string& Name) {
  return ResetGlobalPrefix + Name + ResetGlobalSuffix;
}

HDDEDATA CreateExecuteData(const std::string& Text) {
  // The bytes of the text plus one NUL, which the length counts.
  std::vector<BYTE> bytes(Text.begin(), Text.end());
  bytes.push_back(0);
  return DdeCreateDataHandle(DdeInstance, bytes.data(), static_cast<DWORD>(bytes.size()), 0,
                             nullptr, 0, 0);
}

void SendExecute(HCONV Conversation, HDDEDATA Data) {
  DdeClientTransaction(reinterpret_cast<LPBYTE>(Data), 0xFFFFFFFFu, Conversation, nullptr,
                       CF_TEXT, XTYP_EXECUTE, ExecuteTimeout, nullptr);
}

}  // namespace kvx
