#include "tests/core/reply_server.h"

#include <condition_variable>
#include <stdexcept>

namespace coretest {

namespace {

ReplyServer* Current = nullptr;  // one server per test process at a time
std::condition_variable Started;

std::string NameOf(DWORD instance, HSZ hsz) {
  char name[256] = {};
  DdeQueryStringA(instance, hsz, name, sizeof name, CP_WINANSI);
  return name;
}

}  // namespace

ReplyServer::ReplyServer(const char* service) {
  Current = this;
  thread_ = std::thread(&ReplyServer::Serve, this, std::string(service));
  std::unique_lock lock(mutex_);
  Started.wait(lock, [this] { return ready_; });
  if (instance_ == 0) {
    lock.unlock();
    thread_.join();
    throw std::runtime_error("reply server did not start");
  }
}

ReplyServer::~ReplyServer() {
  PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  thread_.join();
  Current = nullptr;
}

void ReplyServer::SetReply(std::optional<std::string> bytes) {
  std::lock_guard lock(mutex_);
  reply_ = std::move(bytes);
}

std::vector<std::string> ReplyServer::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void ReplyServer::Serve(std::string service) {
  DWORD instance = 0;
  HSZ name = nullptr;
  MSG msg{};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // make the queue before anyone posts
  if (DdeInitializeA(&instance, &Callback, APPCLASS_STANDARD, 0) == DMLERR_NO_ERROR) {
    name = DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    if (DdeNameService(instance, name, nullptr, DNS_REGISTER) == nullptr) {
      DdeUninitialize(instance);
      instance = 0;
    }
  }
  {
    std::lock_guard lock(mutex_);
    instance_ = instance;
    threadId_ = GetCurrentThreadId();
    ready_ = true;
  }
  Started.notify_all();
  if (instance == 0) return;

  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);

  DdeNameService(instance, name, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(instance, name);
  DdeUninitialize(instance);
}

HDDEDATA CALLBACK ReplyServer::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                        HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) {
  (void)conv;
  (void)hsz1;
  (void)data1;
  (void)data2;
  ReplyServer& self = *Current;
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(TRUE));
    case XTYP_EXECUTE: {
      std::string bytes(DdeGetData(data, nullptr, 0, 0), '\0');
      DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
      std::lock_guard lock(self.mutex_);
      self.log_.push_back("execute:" + bytes);
      return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(DDE_FACK));
    }
    case XTYP_REQUEST: {
      std::optional<std::string> reply;
      {
        std::lock_guard lock(self.mutex_);
        self.log_.push_back("request:" + NameOf(self.instance_, hsz2));
        reply = self.reply_;
      }
      if (!reply) return nullptr;
      return DdeCreateDataHandle(self.instance_, reinterpret_cast<LPBYTE>(reply->data()),
                                 static_cast<DWORD>(reply->size()), 0, hsz2, format, 0);
    }
    default:
      return nullptr;
  }
}

}  // namespace coretest
