#include "corvane_standin/standin_server.h"

#include <algorithm>
#include <exception>
#include <future>

#include "contracts/corvane_commands.h"
#include "corvane_standin/control_names.h"

namespace kvx::standin {

namespace {

// Work handed to the server thread by RunOnServerThread.
constexpr UINT TaskMessage = WM_APP + 0x2C1;

// The server that owns the DDE instance of this thread; the DDE callback has
// no context argument of its own.
thread_local StandinServer* currentServer = nullptr;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// DDE names compare ignoring ASCII case.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

HDDEDATA Flags(UINT flags) { return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(flags)); }

}  // namespace

struct StandinServer::Task {
  std::function<void()> work;
  std::promise<void> done;
};

StandinServer::StandinServer(ServerOptions options)
    : options_(std::move(options)), transcript_(options_.transcriptPath) {}

StandinServer::~StandinServer() {
  if (instance_ != 0 && GetCurrentThreadId() == threadId_) Shutdown();
}

Outcome StandinServer::Start() {
  if (instance_ != 0) return Outcome::Refused("already started");
  if (!transcript_.FileUsable())
    return Outcome::Refused("cannot open transcript file " + options_.transcriptPath);
  if (currentServer != nullptr) return Outcome::Refused("another server runs on this thread");
  threadId_ = GetCurrentThreadId();
  // Gives the thread its message queue now, so that work posted by other
  // threads is not lost before the loop first asks for a message.
  MSG peek{};
  PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE);
  currentServer = this;
  const UINT error = DdeInitializeA(&instance_, &StandinServer::Callback, APPCLASS_STANDARD, 0);
  if (error != DMLERR_NO_ERROR) {
    instance_ = 0;
    currentServer = nullptr;
    return Outcome::Refused("DdeInitializeA failed with " + std::to_string(error));
  }
  editorService_ = DdeCreateStringHandleA(instance_, CorvaneService, CP_WINANSI);
  if (editorService_ == nullptr ||
      DdeNameService(instance_, editorService_, nullptr, DNS_REGISTER) == nullptr) {
    Shutdown();
    return Outcome::Refused("cannot register the service " + std::string(CorvaneService));
  }
  if (!options_.controlService.empty()) {
    controlService_ = DdeCreateStringHandleA(instance_, options_.controlService.c_str(), CP_WINANSI);
    if (controlService_ == nullptr ||
        DdeNameService(instance_, controlService_, nullptr, DNS_REGISTER) == nullptr) {
      Shutdown();
      return Outcome::Refused("cannot register the service " + options_.controlService);
    }
  }
  if (!options_.session.empty()) model_.StartSession(options_.session, {});
  std::lock_guard lock(taskMutex_);
  acceptingTasks_ = true;
  return Outcome::Done();
}

int StandinServer::Run() {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      quitCode_ = static_cast<int>(msg.wParam);
      break;
    }
    if (got == -1) break;
    if (msg.hwnd == nullptr && msg.message == TaskMessage) {
      RunTask(msg.lParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  {
    std::lock_guard lock(taskMutex_);
    acceptingTasks_ = false;
  }
  // Work posted before the loop ended still runs, so no caller waits forever.
  // (A second WM_QUIT may come out of the filtered peek as well: skip it.)
  while (PeekMessageA(&msg, nullptr, TaskMessage, TaskMessage, PM_REMOVE)) {
    if (msg.hwnd == nullptr && msg.message == TaskMessage) RunTask(msg.lParam);
  }
  return quitCode_;
}

void StandinServer::Shutdown() {
  {
    std::lock_guard lock(taskMutex_);
    acceptingTasks_ = false;
  }
  if (instance_ == 0) return;
  if (controlService_ != nullptr) {
    DdeNameService(instance_, controlService_, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance_, controlService_);
    controlService_ = nullptr;
  }
  if (editorService_ != nullptr) {
    DdeNameService(instance_, editorService_, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance_, editorService_);
    editorService_ = nullptr;
  }
  DdeUninitialize(instance_);
  instance_ = 0;
  conversations_.clear();
  if (currentServer == this) currentServer = nullptr;
}

void StandinServer::SetHook(Hook hook) {
  std::lock_guard lock(hookMutex_);
  hook_ = std::move(hook);
}

void StandinServer::RequestQuit() {
  if (GetCurrentThreadId() == threadId_)
    PostQuitMessage(0);
  else
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
}

bool StandinServer::RunOnServerThread(const std::function<void()>& work) {
  if (GetCurrentThreadId() == threadId_) {
    work();
    return true;
  }
  auto task = std::make_shared<Task>();
  task->work = work;
  std::future<void> done = task->done.get_future();
  {
    std::lock_guard lock(taskMutex_);
    if (!acceptingTasks_) return false;
    auto* posted = new std::shared_ptr<Task>(task);
    if (!PostThreadMessageA(threadId_, TaskMessage, 0, reinterpret_cast<LPARAM>(posted))) {
      delete posted;
      return false;
    }
  }
  done.get();
  return true;
}

void StandinServer::RunTask(LPARAM posted) {
  std::unique_ptr<std::shared_ptr<Task>> holder(reinterpret_cast<std::shared_ptr<Task>*>(posted));
  Task& task = **holder;
  try {
    task.work();
    task.done.set_value();
  } catch (...) {
    task.done.set_exception(std::current_exception());
  }
}

HDDEDATA CALLBACK StandinServer::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                          HDDEDATA data, ULONG_PTR, ULONG_PTR) {
  if (currentServer == nullptr) return nullptr;
  try {
    return currentServer->Handle(type, format, conv, hsz1, hsz2, data);
  } catch (...) {
    // Out of memory or a hook that threw: refuse rather than unwind through
    // the DDE layer.
    return nullptr;
  }
}

HDDEDATA StandinServer::Handle(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                               HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT:
      return OnConnect(hsz1, hsz2);
    case XTYP_CONNECT_CONFIRM:
      OnConfirm(conv, hsz1, hsz2);
      return nullptr;
    case XTYP_EXECUTE:
      return OnExecute(conv, hsz1, data);
    case XTYP_REQUEST:
      return OnRequest(conv, hsz1, hsz2, format);
    case XTYP_DISCONNECT:
      OnDisconnect(conv);
      return nullptr;
    default:
      return nullptr;
  }
}

std::string StandinServer::NameOf(HSZ hsz) const {
  if (hsz == nullptr) return {};
  char buffer[256] = {};
  const DWORD length = DdeQueryStringA(instance_, hsz, buffer, sizeof buffer, CP_WINANSI);
  return std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

bool StandinServer::IsEditor(const std::string& service, const std::string& topic) const {
  return SameName(service, CorvaneService) && SameName(topic, CorvaneTopic);
}

bool StandinServer::IsControl(const std::string& service, const std::string& topic) const {
  return !options_.controlService.empty() && SameName(service, options_.controlService) &&
         SameName(topic, ControlTopic);
}

HDDEDATA StandinServer::OnConnect(HSZ topicHandle, HSZ serviceHandle) {
  const std::string service = NameOf(serviceHandle);
  const std::string topic = NameOf(topicHandle);
  if (IsControl(service, topic)) return Flags(TRUE);
  if (!SameName(service, CorvaneService)) return nullptr;

  TranscriptRecord record{RecordKind::Connect, Answer::Pending, 0, service, topic, {}, {}, {}};
  BeforeAnswer(record, true);
  if (!SameName(topic, CorvaneTopic)) {
    record.note = "unknown topic";
  } else if (refuseConnections_) {
    record.note = "connections refused";
  } else {
    record.conversation = ++lastConversation_;
  }
  record.answer = record.note.empty() ? Answer::Ack : Answer::Refused;
  pendingConversation_ = record.conversation;
  transcript_.Append(record);
  return Flags(record.answer == Answer::Ack ? TRUE : FALSE);
}

void StandinServer::OnConfirm(HCONV conv, HSZ topicHandle, HSZ serviceHandle) {
  Conversation entry;
  entry.service = NameOf(serviceHandle);
  entry.topic = NameOf(topicHandle);
  entry.role = IsControl(entry.service, entry.topic) ? Role::Control : Role::Editor;
  if (entry.role == Role::Editor)
    entry.number = pendingConversation_ != 0 ? pendingConversation_ : ++lastConversation_;
  pendingConversation_ = 0;
  conversations_[conv] = entry;
}

StandinServer::Conversation& StandinServer::ConversationOf(HCONV conv, const std::string& topic) {
  auto it = conversations_.find(conv);
  if (it != conversations_.end()) return it->second;
  // No confirmation seen for this conversation: tell the role by its topic.
  Conversation entry;
  if (!options_.controlService.empty() && SameName(topic, ControlTopic)) {
    entry.role = Role::Control;
    entry.service = options_.controlService;
  } else {
    entry.number = ++lastConversation_;
    entry.service = CorvaneService;
  }
  entry.topic = topic;
  return conversations_[conv] = entry;
}

void StandinServer::BeforeAnswer(const TranscriptRecord& pending, bool delay) {
  Hook hook;
  {
    std::lock_guard lock(hookMutex_);
    hook = hook_;
  }
  if (hook) hook(pending);
  if (delay) {
    const long milliseconds = answerDelayMs_;
    if (milliseconds > 0) ServeFor(milliseconds);
  }
}

void StandinServer::ServeFor(long milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
      } else if (msg.hwnd == nullptr && msg.message == TaskMessage) {
        RunTask(msg.lParam);
      } else {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    const auto now = Clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min<long long>(left.count(), 10)),
                              QS_ALLINPUT);
  }
  // The loop's own GetMessageA ends the server once this answer is out.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

HDDEDATA StandinServer::MakeData(const std::string& bytes, HSZ item, UINT format) {
  return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.data())),
                             static_cast<DWORD>(bytes.size()), 0, item, format, 0);
}

HDDEDATA StandinServer::OnExecute(HCONV conv, HSZ topicHandle, HDDEDATA data) {
  const Conversation& entry = ConversationOf(conv, NameOf(topicHandle));
  const DWORD size = DdeGetData(data, nullptr, 0, 0);
  std::string bytes;
  const bool tooLarge = size > MaxExecuteBytes;
  if (!tooLarge && size > 0) {
    bytes.resize(size);
    bytes.resize(DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0));
  }
  if (entry.role == Role::Control) {
    if (tooLarge) {
      lastRefusal_ = "control command too large";
      return Flags(DDE_FNOTPROCESSED);
    }
    return ExecuteControl(bytes);
  }

  TranscriptRecord record{RecordKind::Execute, Answer::Pending, entry.number, entry.service,
                          entry.topic, {}, bytes, {}};
  BeforeAnswer(record, true);
  const Outcome outcome =
      tooLarge ? Outcome::Refused("execute data too large: " + std::to_string(size) + " bytes")
               : model_.Execute(bytes);
  record.answer = outcome ? Answer::Ack : Answer::Refused;
  record.note = outcome.reason;
  transcript_.Append(record);
  return Flags(outcome ? DDE_FACK : DDE_FNOTPROCESSED);
}

HDDEDATA StandinServer::OnRequest(HCONV conv, HSZ topicHandle, HSZ itemHandle, UINT format) {
  const Conversation& entry = ConversationOf(conv, NameOf(topicHandle));
  const std::string item = NameOf(itemHandle);
  if (entry.role == Role::Control) return RequestControl(item, itemHandle, format);

  TranscriptRecord record{RecordKind::Request, Answer::Pending, entry.number, entry.service,
                          entry.topic, item, {}, {}};
  BeforeAnswer(record, true);
  HDDEDATA reply = nullptr;
  if (const auto answer = model_.Request(item)) {
    reply = MakeData(*answer, itemHandle, format);
    if (reply != nullptr)
      record.data = *answer;
    else
      record.note = "cannot create the reply data";
  } else {
    record.note = "unknown global";
  }
  record.answer = reply != nullptr ? Answer::Ack : Answer::Refused;
  transcript_.Append(record);
  return reply;
}

void StandinServer::OnDisconnect(HCONV conv) {
  const auto it = conversations_.find(conv);
  if (it == conversations_.end()) return;
  const Conversation entry = it->second;
  conversations_.erase(it);
  if (entry.role != Role::Editor) return;
  TranscriptRecord record{RecordKind::Disconnect, Answer::Pending, entry.number, entry.service,
                          entry.topic, {}, {}, {}};
  BeforeAnswer(record, false);
  record.answer = Answer::Ack;
  transcript_.Append(record);
}

HDDEDATA StandinServer::ExecuteControl(const std::string& bytes) {
  const ParsedControl parsed = ParseControlCommand(bytes);
  if (!parsed.command) {
    lastRefusal_ = parsed.error;
    return Flags(DDE_FNOTPROCESSED);
  }
  if (parsed.command->kind == ControlKind::Quit) {
    RequestQuit();
    return Flags(DDE_FACK);
  }
  const Outcome outcome = ApplyControlCommand(model_, *parsed.command);
  lastRefusal_ = outcome.reason;
  return Flags(outcome ? DDE_FACK : DDE_FNOTPROCESSED);
}

HDDEDATA StandinServer::RequestControl(const std::string& item, HSZ hsz, UINT format) {
  std::string bytes;
  if (SameName(item, StateItem)) {
    bytes = FormatState(model_.State());
  } else if (SameName(item, TranscriptItem)) {
    for (const TranscriptRecord& record : transcript_.Records()) bytes += FormatRecord(record);
  } else if (SameName(item, RefusalItem)) {
    bytes = lastRefusal_;
  } else {
    return nullptr;
  }
  bytes.push_back('\0');
  return MakeData(bytes, hsz, format);
}

}  // namespace kvx::standin
