#include "tests/standin/dde_test_client.h"

#include <stdexcept>

namespace kvxtest {

namespace {

HDDEDATA CALLBACK Ignore(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

}  // namespace

DdeTestClient::DdeTestClient() {
  if (DdeInitializeA(&instance_, &Ignore, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    throw std::runtime_error("DdeInitializeA failed");
}

DdeTestClient::~DdeTestClient() {
  Disconnect();
  DdeUninitialize(instance_);
}

bool DdeTestClient::Connect(const std::string& service, const std::string& topic) {
  Disconnect();
  const HSZ serviceHandle = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
  const HSZ topicHandle = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
  conv_ = DdeConnect(instance_, serviceHandle, topicHandle, nullptr);
  DdeFreeStringHandle(instance_, topicHandle);
  DdeFreeStringHandle(instance_, serviceHandle);
  return conv_ != nullptr;
}

void DdeTestClient::Disconnect() {
  if (conv_ != nullptr) DdeDisconnect(conv_);
  conv_ = nullptr;
}

bool DdeTestClient::Execute(const std::string& bytes, DWORD timeoutMs) {
  const HDDEDATA data =
      DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                          static_cast<DWORD>(bytes.size()), 0, nullptr, 0, 0);
  if (data == nullptr) return false;
  DWORD result = 0;
  const HDDEDATA done = DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFFu, conv_,
                                            nullptr, CF_TEXT, XTYP_EXECUTE, timeoutMs, &result);
  return done != nullptr && (result & DDE_FACK) != 0;
}

std::optional<std::string> DdeTestClient::Request(const std::string& item, DWORD timeoutMs) {
  const HSZ itemHandle = DdeCreateStringHandleA(instance_, item.c_str(), CP_WINANSI);
  const HDDEDATA reply = DdeClientTransaction(nullptr, 0, conv_, itemHandle, CF_TEXT,
                                              XTYP_REQUEST, timeoutMs, nullptr);
  DdeFreeStringHandle(instance_, itemHandle);
  if (reply == nullptr) return std::nullopt;
  std::string bytes(DdeGetData(reply, nullptr, 0, 0), '\0');
  bytes.resize(DdeGetData(reply, reinterpret_cast<LPBYTE>(bytes.data()),
                          static_cast<DWORD>(bytes.size()), 0));
  DdeFreeDataHandle(reply);
  return bytes;
}

}  // namespace kvxtest
