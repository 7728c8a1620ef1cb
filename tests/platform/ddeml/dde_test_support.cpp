#include "tests/platform/ddeml/dde_test_support.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/posix/include/winsub_control.h"

extern char** environ;

namespace ddetest {

namespace {

thread_local ServerThread* currentServer = nullptr;
std::atomic<int> clientDisconnects{0};

// Thread message that carries work for the server thread.
constexpr UINT RunWorkMessage = WM_APP + 1;

HDDEDATA CALLBACK ServerCallback(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                 ULONG_PTR, ULONG_PTR) {
  return currentServer != nullptr ? currentServer->Handle(type, format, hsz1, hsz2, data) : nullptr;
}

HDDEDATA CALLBACK ClientCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  if (type == XTYP_DISCONNECT) ++clientDisconnects;
  return nullptr;
}

std::string Text(DWORD instance, HSZ hsz) {
  char buffer[300] = {};
  DdeQueryStringA(instance, hsz, buffer, sizeof buffer, CP_WINANSI);
  return buffer;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

ServerThread::ServerThread(ServerOptions options) : options_(std::move(options)) {
  std::promise<void> ready;
  std::future<void> started = ready.get_future();
  thread_ = std::thread([this, &ready] { Main(ready); });
  started.wait();
}

ServerThread::~ServerThread() {
  PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

void ServerThread::Main(std::promise<void>& ready) {
  currentServer = this;
  threadId_ = GetCurrentThreadId();
  MSG msg{};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make the queue before anyone posts
  DWORD instance = 0;
  if (DdeInitializeA(&instance, ServerCallback, APPCLASS_STANDARD, 0) == DMLERR_NO_ERROR) {
    instance_ = instance;
    HSZ name = DdeCreateStringHandleA(instance, options_.service.c_str(), CP_WINANSI);
    registered_ = DdeNameService(instance, name, nullptr, DNS_REGISTER) != nullptr;
    DdeFreeStringHandle(instance, name);
  }
  ready.set_value();
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == RunWorkMessage) {
      auto* work = reinterpret_cast<std::function<void()>*>(msg.lParam);
      (*work)();
      continue;
    }
    DispatchMessageA(&msg);
  }
  if (instance_ != 0) DdeUninitialize(instance_);
  currentServer = nullptr;
}

void ServerThread::Run(const std::function<void(DWORD instance)>& work) {
  std::promise<void> done;
  std::function<void()> task = [&] {
    work(instance_);
    done.set_value();
  };
  PostThreadMessageA(threadId_, RunWorkMessage, 0, reinterpret_cast<LPARAM>(&task));
  done.get_future().wait();
}

ServerRecord ServerThread::Record() {
  std::lock_guard lock(mutex_);
  return record_;
}

bool ServerThread::WaitFor(const std::function<bool(const ServerRecord&)>& done,
                           std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (done(Record())) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done(Record());
}

HDDEDATA ServerThread::Handle(UINT type, UINT format, HSZ hsz1, HSZ hsz2, HDDEDATA data) {
  switch (type) {
    case XTYP_CONNECT: {
      const std::string topic = Text(instance_, hsz1);
      {
        std::lock_guard lock(mutex_);
        record_.connects.push_back(topic + "|" + Text(instance_, hsz2));
      }
      const bool accept = options_.acceptConnect && Lower(topic) == Lower(options_.topic);
      return reinterpret_cast<HDDEDATA>(static_cast<std::uintptr_t>(accept ? TRUE : FALSE));
    }
    case XTYP_CONNECT_CONFIRM: {
      std::lock_guard lock(mutex_);
      ++record_.confirms;
      return nullptr;
    }
    case XTYP_DISCONNECT: {
      std::lock_guard lock(mutex_);
      ++record_.disconnects;
      return nullptr;
    }
    case XTYP_EXECUTE: {
      if (options_.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.delayMs));
      DWORD size = 0;
      const LPBYTE bytes = DdeAccessData(data, &size);
      std::string command(reinterpret_cast<const char*>(bytes), size);
      DdeUnaccessData(data);
      std::lock_guard lock(mutex_);
      record_.executes.push_back(command);
      record_.executeFormats.push_back(format);
      return reinterpret_cast<HDDEDATA>(static_cast<std::uintptr_t>(options_.executeAnswer));
    }
    case XTYP_REQUEST: {
      if (options_.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.delayMs));
      const std::string item = Text(instance_, hsz2);
      {
        std::lock_guard lock(mutex_);
        record_.requests.push_back(item);
      }
      // Items match without regard to case, as string handles do.
      const auto found = std::find_if(options_.items.begin(), options_.items.end(),
                                      [&item](const auto& entry) { return Lower(entry.first) == Lower(item); });
      if (found == options_.items.end()) return nullptr;
      std::string reply = found->second;
      return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(reply.data()),
                                 static_cast<DWORD>(reply.size()), 0, hsz2, format, 0);
    }
    default: return nullptr;
  }
}

Client::Client(const std::string& serviceName, const std::string& topicName, DWORD flags) {
  if (DdeInitializeA(&id, ClientCallback, flags, 0) != DMLERR_NO_ERROR) return;
  service = DdeCreateStringHandleA(id, serviceName.c_str(), CP_WINANSI);
  topic = DdeCreateStringHandleA(id, topicName.c_str(), CP_WINANSI);
}

Client::~Client() {
  if (id != 0) DdeUninitialize(id);
}

HCONV Client::Connect() const { return DdeConnect(id, service, topic, nullptr); }

HDDEDATA Client::Execute(HCONV conversation, const std::string& text, DWORD timeoutMs,
                         DWORD* result) const {
  std::string bytes = text;
  bytes.push_back('\0');
  const HDDEDATA data = DdeCreateDataHandle(id, reinterpret_cast<LPBYTE>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()), 0, nullptr, 0, 0);
  return DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFFu, conversation, nullptr,
                              CF_TEXT, XTYP_EXECUTE, timeoutMs, result);
}

HDDEDATA Client::Request(HCONV conversation, const std::string& item, DWORD timeoutMs,
                         DWORD* result) const {
  const HSZ itemHandle = DdeCreateStringHandleA(id, item.c_str(), CP_WINANSI);
  const HDDEDATA reply = DdeClientTransaction(nullptr, 0, conversation, itemHandle, CF_TEXT,
                                              XTYP_REQUEST, timeoutMs, result);
  DdeFreeStringHandle(id, itemHandle);
  return reply;
}

int Client::Disconnects() { return clientDisconnects; }

std::string DataText(HDDEDATA data) {
  const DWORD size = DdeGetData(data, nullptr, 0, 0);
  std::string text(size, '\0');
  if (size > 0) DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
  return text;
}

std::string ServiceSocketFile(const std::string& lowercaseName) {
  return std::string(WinsubDdeDirectory()) + "/" + lowercaseName;
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

PeerProcess::PeerProcess(const std::string& program, const std::vector<std::string>& arguments) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<std::string> all{program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  output_ = pipeFds[0];
}

PeerProcess::~PeerProcess() {
  Kill();
  if (output_ >= 0) close(output_);
}

bool PeerProcess::WaitReady(std::chrono::milliseconds timeout) {
  std::string line;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (pid_ > 0 && line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd one{output_, POLLIN, 0};
    if (poll(&one, 1, static_cast<int>(left.count())) <= 0) return false;
    char c = 0;
    if (read(output_, &c, 1) != 1) return false;
    line.push_back(c);
  }
  return line == "ready\n";
}

std::optional<int> PeerProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (pid_ <= 0 || reaped_) return std::nullopt;
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      reaped_ = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void PeerProcess::Kill() {
  if (pid_ <= 0 || reaped_) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  reaped_ = true;
}

}  // namespace ddetest
