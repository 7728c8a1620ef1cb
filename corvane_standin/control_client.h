// Drives a stand-in editor in another process through its control service.
// A DDE client: use it on the thread that created it. Each call holds its
// own short conversation.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane_standin/control_command.h"
#include "corvane_standin/control_names.h"
#include "corvane_standin/editor_state.h"
#include "corvane_standin/outcome.h"
#include "corvane_standin/transcript.h"
#include "platform/posix/include/win32_subset.h"

namespace kvx::standin {

class CorvaneControlClient {
 public:
  // Throws std::runtime_error when no DDE client instance can be made.
  explicit CorvaneControlClient(std::string service = DefaultControlService);
  ~CorvaneControlClient();
  CorvaneControlClient(const CorvaneControlClient&) = delete;
  CorvaneControlClient& operator=(const CorvaneControlClient&) = delete;

  // Tries to connect until the service answers or the time is up.
  bool WaitForService(std::chrono::milliseconds timeout);

  Outcome Send(const ControlCommand& command);
  Outcome Edit(const std::string& path, const std::string& text);
  Outcome StampShadow(const std::string& path, std::int64_t offsetSeconds);
  Outcome MoveCursor(const std::string& path, std::int32_t line, std::int32_t column,
                     std::int32_t top);
  Outcome ReloadFromDisk(const std::string& path);
  Outcome MakeActive(const std::string& path);
  Outcome Quit();

  std::optional<EditorState> State();
  std::optional<std::vector<TranscriptRecord>> Transcript();

 private:
  HCONV Connect();
  // The item's bytes without the final NUL; nullopt without an answer.
  std::optional<std::string> Request(const char* item, HCONV conv);

  std::string service_;
  DWORD instance_ = 0;
  HSZ serviceHandle_ = nullptr;
  HSZ topicHandle_ = nullptr;
};

}  // namespace kvx::standin
