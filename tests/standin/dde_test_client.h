// A plain DDE client for the stand-in's tests: plays the link's side with the
// Windows calls themselves. Use on the thread that made it.
#pragma once

#include <optional>
#include <string>

#include "platform/posix/include/win32_subset.h"

namespace kvxtest {

class DdeTestClient {
 public:
  DdeTestClient();
  ~DdeTestClient();
  DdeTestClient(const DdeTestClient&) = delete;
  DdeTestClient& operator=(const DdeTestClient&) = delete;

  // Opens the conversation (closing one held before); false when refused.
  bool Connect(const std::string& service, const std::string& topic);
  void Disconnect();
  bool Connected() const { return conv_ != nullptr; }

  // Sends the bytes exactly (through a data handle, as the link does);
  // true when acknowledged.
  bool Execute(const std::string& bytes, DWORD timeoutMs = 10000);
  // The reply's bytes; nullopt without a reply.
  std::optional<std::string> Request(const std::string& item, DWORD timeoutMs = 10000);

  DWORD Instance() const { return instance_; }

 private:
  DWORD instance_ = 0;
  HCONV conv_ = nullptr;
};

}  // namespace kvxtest
