// A minimal DDE server on its own thread for the decoding tests: it accepts
// any conversation, acknowledges every execute and answers every request with
// bytes set by the test (or with no data), so that replies Corvane would never
// send (short, unterminated) can be fed to the client.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/winapi.h"

namespace coretest {

class ReplyServer {
 public:
  explicit ReplyServer(const char* service);
  ~ReplyServer();
  ReplyServer(const ReplyServer&) = delete;
  ReplyServer& operator=(const ReplyServer&) = delete;

  // nullopt: requests get no data.
  void SetReply(std::optional<std::string> bytes);
  // "execute:<bytes>" and "request:<item>" in arrival order.
  std::vector<std::string> Log() const;

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  void Serve(std::string service);

  mutable std::mutex mutex_;
  std::optional<std::string> reply_;
  std::vector<std::string> log_;
  DWORD instance_ = 0;
  DWORD threadId_ = 0;
  bool ready_ = false;
  std::thread thread_;
};

}  // namespace coretest
