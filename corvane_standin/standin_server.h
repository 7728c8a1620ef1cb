// The stand-in editor's DDE server: service "Corvane", topic "System", and
// optionally the control service. It lives on one thread, the one that calls
// Start, Run and Shutdown, and is served from that thread's message loop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "corvane_standin/control_command.h"
#include "corvane_standin/editor_model.h"
#include "corvane_standin/outcome.h"
#include "corvane_standin/transcript.h"
#include "platform/posix/include/win32_subset.h"

namespace kvx::standin {

struct ServerOptions {
  std::string transcriptPath;  // empty: memory only
  std::string controlService;  // empty: no control service
  std::string session;         // session to start in (the "-SN" argument)
};

// Largest execute the server takes; longer ones are refused.
inline constexpr std::size_t MaxExecuteBytes = 16u * 1024u * 1024u;

class StandinServer {
 public:
  // Runs on the server thread when an editor transaction arrives, before it is
  // answered; the record's answer is Answer::Pending.
  using Hook = std::function<void(const TranscriptRecord&)>;

  explicit StandinServer(ServerOptions options);
  ~StandinServer();
  StandinServer(const StandinServer&) = delete;
  StandinServer& operator=(const StandinServer&) = delete;

  // Server thread: creates the DDE instance and registers the services.
  Outcome Start();
  // Server thread: serves until WM_QUIT reaches the loop; returns its code.
  int Run();
  // Server thread: unregisters and ends the DDE instance (also done by the
  // destructor when it runs on the server thread).
  void Shutdown();

  // Any thread.
  void SetRefuseConnections(bool refuse) { refuseConnections_ = refuse; }
  void SetAnswerDelay(std::chrono::milliseconds delay) { answerDelayMs_ = delay.count(); }
  void SetHook(Hook hook);
  void RequestQuit();
  // Runs work on the server thread and waits for it (directly when called
  // there). False when the server is not serving.
  bool RunOnServerThread(const std::function<void()>& work);
  const TranscriptLog& Transcript() const { return transcript_; }
  DWORD ThreadId() const { return threadId_; }

  // Server thread only.
  EditorModel& Model() { return model_; }

 private:
  enum class Role { Editor, Control };
  struct Conversation {
    Role role = Role::Editor;
    std::uint32_t number = 0;
    std::string service;
    std::string topic;
  };
  struct Task;

  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  HDDEDATA Handle(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data);
  HDDEDATA OnConnect(HSZ topic, HSZ service);
  void OnConfirm(HCONV conv, HSZ topic, HSZ service);
  HDDEDATA OnExecute(HCONV conv, HSZ topic, HDDEDATA data);
  HDDEDATA OnRequest(HCONV conv, HSZ topic, HSZ item, UINT format);
  void OnDisconnect(HCONV conv);

  std::string NameOf(HSZ hsz) const;
  bool IsEditor(const std::string& service, const std::string& topic) const;
  bool IsControl(const std::string& service, const std::string& topic) const;
  Conversation& ConversationOf(HCONV conv, const std::string& topic);
  // The hook and the answer delay, in that order, before an editor answer.
  void BeforeAnswer(const TranscriptRecord& pending, bool delay);
  void ServeFor(long milliseconds);
  void RunTask(LPARAM task);
  HDDEDATA MakeData(const std::string& bytes, HSZ item, UINT format);
  HDDEDATA ExecuteControl(const std::string& bytes);
  HDDEDATA RequestControl(const std::string& item, HSZ hsz, UINT format);

  ServerOptions options_;
  EditorModel model_;
  TranscriptLog transcript_;
  DWORD instance_ = 0;
  DWORD threadId_ = 0;
  HSZ editorService_ = nullptr;
  HSZ controlService_ = nullptr;
  std::unordered_map<HCONV, Conversation> conversations_;
  std::uint32_t lastConversation_ = 0;
  std::uint32_t pendingConversation_ = 0;
  std::string lastRefusal_;
  int quitCode_ = 0;

  std::atomic<bool> refuseConnections_{false};
  std::atomic<long> answerDelayMs_{0};
  std::mutex hookMutex_;
  Hook hook_;
  std::mutex taskMutex_;
  bool acceptingTasks_ = false;
};

}  // namespace kvx::standin
