#include "corvane_standin/control_client.h"

#include <stdexcept>
#include <thread>

namespace kvx::standin {

namespace {

constexpr DWORD TransactionTimeoutMs = 10000;

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

// Closes a conversation when the call that opened it ends.
class ConversationGuard {
 public:
  explicit ConversationGuard(HCONV conv) : conv_(conv) {}
  ~ConversationGuard() {
    if (conv_ != nullptr) DdeDisconnect(conv_);
  }
  ConversationGuard(const ConversationGuard&) = delete;
  ConversationGuard& operator=(const ConversationGuard&) = delete;
  HCONV get() const { return conv_; }

 private:
  HCONV conv_;
};

}  // namespace

CorvaneControlClient::CorvaneControlClient(std::string service) : service_(std::move(service)) {
  if (DdeInitializeA(&instance_, &ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    throw std::runtime_error("DdeInitializeA failed");
  serviceHandle_ = DdeCreateStringHandleA(instance_, service_.c_str(), CP_WINANSI);
  topicHandle_ = DdeCreateStringHandleA(instance_, ControlTopic, CP_WINANSI);
  if (serviceHandle_ == nullptr || topicHandle_ == nullptr) {
    DdeUninitialize(instance_);
    throw std::runtime_error("cannot make the control service names");
  }
}

CorvaneControlClient::~CorvaneControlClient() {
  DdeFreeStringHandle(instance_, topicHandle_);
  DdeFreeStringHandle(instance_, serviceHandle_);
  DdeUninitialize(instance_);
}

HCONV CorvaneControlClient::Connect() {
  return DdeConnect(instance_, serviceHandle_, topicHandle_, nullptr);
}

bool CorvaneControlClient::WaitForService(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    ConversationGuard conv(Connect());
    if (conv.get() != nullptr) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

Outcome CorvaneControlClient::Send(const ControlCommand& command) {
  ConversationGuard conv(Connect());
  if (conv.get() == nullptr) return Outcome::Refused("no conversation with " + service_);
  std::string bytes = FormatControlCommand(command);
  bytes.push_back('\0');
  DWORD result = 0;
  const HDDEDATA done = DdeClientTransaction(reinterpret_cast<LPBYTE>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()), conv.get(), nullptr,
                                            CF_TEXT, XTYP_EXECUTE, TransactionTimeoutMs, &result);
  if (done != nullptr) return Outcome::Done();
  if (command.kind == ControlKind::Quit) return Outcome::Refused("quit not acknowledged");
  auto why = Request(RefusalItem, conv.get());
  return Outcome::Refused(why && !why->empty() ? *why : "control command refused");
}

std::optional<std::string> CorvaneControlClient::Request(const char* item, HCONV conv) {
  const HSZ itemHandle = DdeCreateStringHandleA(instance_, item, CP_WINANSI);
  if (itemHandle == nullptr) return std::nullopt;
  const HDDEDATA reply = DdeClientTransaction(nullptr, 0, conv, itemHandle, CF_TEXT, XTYP_REQUEST,
                                              TransactionTimeoutMs, nullptr);
  DdeFreeStringHandle(instance_, itemHandle);
  if (reply == nullptr) return std::nullopt;
  std::string bytes(DdeGetData(reply, nullptr, 0, 0), '\0');
  bytes.resize(DdeGetData(reply, reinterpret_cast<LPBYTE>(bytes.data()),
                          static_cast<DWORD>(bytes.size()), 0));
  DdeFreeDataHandle(reply);
  if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  return bytes;
}

Outcome CorvaneControlClient::Edit(const std::string& path, const std::string& text) {
  return Send(ControlCommand{ControlKind::Edit, path, text, 0, {}});
}

Outcome CorvaneControlClient::StampShadow(const std::string& path, std::int64_t offsetSeconds) {
  return Send(ControlCommand{ControlKind::Stamp, path, {}, offsetSeconds, {}});
}

Outcome CorvaneControlClient::MoveCursor(const std::string& path, std::int32_t line,
                                         std::int32_t column, std::int32_t top) {
  return Send(ControlCommand{ControlKind::Cursor, path, {}, 0, CursorPlace{line, column, top}});
}

Outcome CorvaneControlClient::ReloadFromDisk(const std::string& path) {
  return Send(ControlCommand{ControlKind::Reload, path, {}, 0, {}});
}

Outcome CorvaneControlClient::MakeActive(const std::string& path) {
  return Send(ControlCommand{ControlKind::Activate, path, {}, 0, {}});
}

Outcome CorvaneControlClient::Quit() { return Send(ControlCommand{}); }

std::optional<EditorState> CorvaneControlClient::State() {
  ConversationGuard conv(Connect());
  if (conv.get() == nullptr) return std::nullopt;
  const auto text = Request(StateItem, conv.get());
  if (!text) return std::nullopt;
  return ParseState(*text);
}

std::optional<std::vector<TranscriptRecord>> CorvaneControlClient::Transcript() {
  ConversationGuard conv(Connect());
  if (conv.get() == nullptr) return std::nullopt;
  const auto bytes = Request(TranscriptItem, conv.get());
  if (!bytes) return std::nullopt;
  return ParseTranscript(*bytes);
}

}  // namespace kvx::standin
