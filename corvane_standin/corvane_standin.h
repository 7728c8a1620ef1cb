// The stand-in editor run inside a test process, on a thread of its own.
// The constructor returns once the service is registered; the destructor
// ends the thread's loop and joins it. The user's actions and the state
// queries run on the stand-in's thread, so they see and change the state
// exactly between two transactions (or inside one, from the hook).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corvane_standin/control_command.h"
#include "corvane_standin/editor_state.h"
#include "corvane_standin/outcome.h"
#include "corvane_standin/standin_server.h"
#include "corvane_standin/transcript.h"

namespace kvx::standin {

class CorvaneStandin {
 public:
  // Throws std::runtime_error when the server cannot start.
  explicit CorvaneStandin(ServerOptions options = {});
  ~CorvaneStandin();
  CorvaneStandin(const CorvaneStandin&) = delete;
  CorvaneStandin& operator=(const CorvaneStandin&) = delete;

  // The user's side.
  Outcome Edit(const std::string& path, const std::string& text);
  Outcome StampShadow(const std::string& path, std::int64_t offsetSeconds);
  Outcome MoveCursor(const std::string& path, std::int32_t line, std::int32_t column,
                     std::int32_t top);
  Outcome ReloadFromDisk(const std::string& path);
  Outcome MakeActive(const std::string& path);
  Outcome Apply(const ControlCommand& command);

  EditorState State();
  std::vector<TranscriptRecord> Transcript() const;

  // Options, effective from the next transaction.
  void SetRefuseConnections(bool refuse);
  void SetAnswerDelay(std::chrono::milliseconds delay);
  void SetTransactionHook(StandinServer::Hook hook);

  DWORD ThreadId() const;

 private:
  std::unique_ptr<StandinServer> server_;
  std::thread thread_;
};

}  // namespace kvx::standin
