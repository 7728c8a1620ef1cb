// Helpers for the DDE tests: a server instance on a thread of its own (served
// from a plain GetMessageA loop), a client instance on the calling thread, and
// peer processes.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/include/win32_subset.h"

namespace ddetest {

struct ServerOptions {
  std::string service = "Corvane";
  std::string topic = "System";  // accepted topic (any case); others are refused
  bool acceptConnect = true;
  UINT executeAnswer = DDE_FACK;
  int delayMs = 0;  // each execute and request first sleeps this long
  // Request item -> reply bytes; an item not listed gets no data.
  std::map<std::string, std::string> items;
};

struct ServerRecord {
  std::vector<std::string> connects;  // "topic|service" as the callback saw them
  int confirms = 0;
  int disconnects = 0;
  std::vector<std::string> executes;  // exact bytes
  std::vector<UINT> executeFormats;
  std::vector<std::string> requests;
};

class ServerThread {
 public:
  explicit ServerThread(ServerOptions options);
  ~ServerThread();
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  bool Registered() const { return registered_; }
  DWORD ThreadId() const { return threadId_; }
  DWORD Instance() const { return instance_; }
  ServerRecord Record();
  // Runs work on the server thread, between two messages of its loop.
  void Run(const std::function<void(DWORD instance)>& work);
  // Waits until the record satisfies the predicate (up to timeout).
  bool WaitFor(const std::function<bool(const ServerRecord&)>& done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));

  // Used by the server's callback (runs on the server thread).
  HDDEDATA Handle(UINT type, UINT format, HSZ hsz1, HSZ hsz2, HDDEDATA data);

 private:
  void Main(std::promise<void>& ready);

  ServerOptions options_;
  std::mutex mutex_;
  ServerRecord record_;
  std::atomic<bool> registered_{false};
  DWORD threadId_ = 0;
  DWORD instance_ = 0;
  std::thread thread_;
};

// A client instance of the calling thread, with handles of its service and topic.
class Client {
 public:
  explicit Client(const std::string& service = "Corvane", const std::string& topic = "System",
                  DWORD flags = APPCMD_CLIENTONLY);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  DWORD id = 0;
  HSZ service = nullptr;
  HSZ topic = nullptr;

  HCONV Connect() const;
  // Execute of the text plus one NUL, sent as a data handle.
  HDDEDATA Execute(HCONV conversation, const std::string& text, DWORD timeoutMs,
                   DWORD* result = nullptr) const;
  HDDEDATA Request(HCONV conversation, const std::string& item, DWORD timeoutMs,
                   DWORD* result = nullptr) const;

  // XTYP_DISCONNECT notifications seen by client instances of this process.
  static int Disconnects();
};

// Bytes of a data handle (DdeGetData).
std::string DataText(HDDEDATA data);

// Milliseconds the call takes.
template <typename F>
long long ElapsedMs(F&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// Socket path of a service in the current socket directory.
std::string ServiceSocketFile(const std::string& lowercaseName);
bool FileExists(const std::string& path);

// A child program; its first output line "ready" means it is serving.
class PeerProcess {
 public:
  PeerProcess(const std::string& program, const std::vector<std::string>& arguments);
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool WaitReady(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
  // Exit status once it ended within the timeout, else nothing.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);
  void Kill();

 private:
  int pid_ = -1;
  int output_ = -1;
  bool reaped_ = false;
};

}  // namespace ddetest
