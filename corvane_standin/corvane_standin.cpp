#include "corvane_standin/corvane_standin.h"

#include <future>
#include <stdexcept>

namespace kvx::standin {

CorvaneStandin::CorvaneStandin(ServerOptions options)
    : server_(std::make_unique<StandinServer>(std::move(options))) {
  std::promise<Outcome> started;
  std::future<Outcome> result = started.get_future();
  thread_ = std::thread([this, &started] {
    const Outcome outcome = server_->Start();
    started.set_value(outcome);
    if (!outcome) return;
    server_->Run();
    server_->Shutdown();
  });
  const Outcome outcome = result.get();
  if (!outcome) {
    thread_.join();
    throw std::runtime_error("Corvane stand-in did not start: " + outcome.reason);
  }
}

CorvaneStandin::~CorvaneStandin() {
  server_->RequestQuit();
  thread_.join();
}

Outcome CorvaneStandin::Apply(const ControlCommand& command) {
  if (command.kind == ControlKind::Quit) {
    server_->RequestQuit();
    return Outcome::Done();
  }
  Outcome outcome = Outcome::Refused("the stand-in has stopped");
  server_->RunOnServerThread([&] { outcome = ApplyControlCommand(server_->Model(), command); });
  return outcome;
}

Outcome CorvaneStandin::Edit(const std::string& path, const std::string& text) {
  ControlCommand command{ControlKind::Edit, path, text, 0, {}};
  return Apply(command);
}

Outcome CorvaneStandin::StampShadow(const std::string& path, std::int64_t offsetSeconds) {
  return Apply(ControlCommand{ControlKind::Stamp, path, {}, offsetSeconds, {}});
}

Outcome CorvaneStandin::MoveCursor(const std::string& path, std::int32_t line,
                                   std::int32_t column, std::int32_t top) {
  return Apply(ControlCommand{ControlKind::Cursor, path, {}, 0, CursorPlace{line, column, top}});
}

Outcome CorvaneStandin::ReloadFromDisk(const std::string& path) {
  return Apply(ControlCommand{ControlKind::Reload, path, {}, 0, {}});
}

Outcome CorvaneStandin::MakeActive(const std::string& path) {
  return Apply(ControlCommand{ControlKind::Activate, path, {}, 0, {}});
}

EditorState CorvaneStandin::State() {
  EditorState state;
  server_->RunOnServerThread([&] { state = server_->Model().State(); });
  return state;
}

std::vector<TranscriptRecord> CorvaneStandin::Transcript() const {
  return server_->Transcript().Records();
}

void CorvaneStandin::SetRefuseConnections(bool refuse) { server_->SetRefuseConnections(refuse); }

void CorvaneStandin::SetAnswerDelay(std::chrono::milliseconds delay) {
  server_->SetAnswerDelay(delay);
}

void CorvaneStandin::SetTransactionHook(StandinServer::Hook hook) {
  server_->SetHook(std::move(hook));
}

DWORD CorvaneStandin::ThreadId() const { return server_->ThreadId(); }

}  // namespace kvx::standin
