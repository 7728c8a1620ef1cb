// The expert library loaded by the simulated IDE, against the Corvane
// stand-in running as a program of its own, over the substitute DDE
// transport. A test plays the IDE's user through the SimIde and Corvane's
// user through the stand-in's control service, and reads what crossed from
// the stand-in's transcript file.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvane_standin/control_client.h"
#include "corvane_standin/editor_state.h"
#include "corvane_standin/transcript.h"
#include "simide/sim_ide.h"
#include "tests/e2e/test_watchdog.h"

namespace e2e {

using Records = std::vector<kvx::standin::TranscriptRecord>;

// What differs between the three builds, as a user configures and sees it.
struct Variant {
  const char* name;  // build name: delphi3, delphi2, cbuilder
  const char* enabledKey;
  const char* hotKeyKey;
  const char* sessionPrefix;
};
const Variant& ThisVariant();

inline void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }

// Test names carry the variant, so the three programs' tests stay apart.
inline std::string VariantName(const testing::TestParamInfo<Variant>& info) {
  return info.param.name;
}
template <typename Row>
std::string RowName(const testing::TestParamInfo<Row>& info) {
  return std::string(info.param.name) + "_" + ThisVariant().name;
}

// The profile section the expert reads at load.
struct Settings {
  bool enabled = true;
  int hotKey = 1867;  // Ctrl+Shift+K
  std::optional<int> safetySave;
  std::optional<int> trackProjects;
  std::string launchCommand;
  std::optional<std::string> tempPath;  // default: the test's shadow directory
};

// The `corvane` program as a child of the test. It dies with the test's main
// thread, so a failed or aborted test leaves no editor behind.
class CorvaneProcess {
 public:
  CorvaneProcess() = default;
  CorvaneProcess(const CorvaneProcess&) = delete;
  CorvaneProcess& operator=(const CorvaneProcess&) = delete;
  ~CorvaneProcess() { Kill(); }

  bool Start(const std::vector<std::string>& arguments);
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  void Signal(int signal) const;
  void Kill();  // SIGKILL and reap; nothing when not running
  // Exit code, or -1 when it did not end normally within the time.
  int WaitForExit(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
};

// Runs a function on the IDE's thread the next time that thread dispatches
// its messages: inside a DDE transaction's wait when the thread is in one.
class OnIdeThread {
 public:
  OnIdeThread();
  OnIdeThread(const OnIdeThread&) = delete;
  OnIdeThread& operator=(const OnIdeThread&) = delete;
  ~OnIdeThread();
  // Callable from any thread.
  bool Post(std::function<void()> action);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
};

class LinkTest {
 public:
  LinkTest();
  virtual ~LinkTest();
  LinkTest(const LinkTest&) = delete;
  LinkTest& operator=(const LinkTest&) = delete;

 protected:
  // ---- the stand-in
  // Starts `corvane` with the test's transcript and control service, and
  // waits until it serves both.
  void StartCorvane(const std::vector<std::string>& extra = {});
  // The command line that starts the same program (for BorlandKvxExecute).
  std::string CorvaneCommandLine() const;
  // Connects the control client to a stand-in the expert started itself.
  bool AttachToLaunchedCorvane();
  kvx::standin::CorvaneControlClient& Control() { return *control_; }
  kvx::standin::EditorState CorvaneState();
  // The argument vectors of the stand-ins the expert started (found by the
  // test's directory in their command lines).
  std::vector<std::vector<std::string>> LaunchedCommandLines() const;

  // ---- the expert
  std::string Profile(const Settings& settings) const;
  void LoadExpert(const Settings& settings = {});

  // ---- files
  std::string Source(const std::string& name) const { return sourceDir_ + "/" + name; }
  std::string Shadow(const std::string& name) const { return shadowDir_ + "/" + name; }
  std::string WriteSource(const std::string& name, const std::string& text) const;
  static bool Exists(const std::string& path);
  static std::string ReadFile(const std::string& path);

  // ---- the transcript
  // Every record so far, once the stand-in has recorded the end of every
  // conversation the expert opened (bounded wait).
  Records Transcript();
  std::size_t Mark() { return Transcript().size(); }
  // The macro commands the expert ran (execute records), from a mark on.
  std::vector<std::string> CommandsSince(std::size_t mark);
  // Items of the requests, from a mark on.
  std::vector<std::string> RequestsSince(std::size_t mark);
  Records RecordsSince(std::size_t mark);

  // The IDE's user switches away and back.
  void LeaveIde() { ide_.DeactivateApp(); }
  void ReturnToIde() {
    ide_.ActivateApp();
    ide_.PumpUntilIdle();
  }

  std::string dir_;
  std::string sourceDir_;
  std::string shadowDir_;
  std::string transcriptPath_;
  std::string controlService_ = "KvxE2EControl";
  TestWatchdog watchdog_;
  CorvaneProcess corvane_;
  std::optional<kvx::standin::CorvaneControlClient> control_;
  simide::SimIde ide_;  // last in: goes first, with the expert
};

// The expected command texts, written out as Corvane receives them.
std::string RemoveCmd(const std::string& file);
std::string ReloadCmd(char active, long line, long column, long top, const std::string& file,
                      const std::string& shadow);
std::string SessionCmd(const std::string& session, const std::string& directory);
std::string FileInfoCmd(const std::string& file);
inline const std::string ActiveFileCmd = "Remote^RemGetActiveFile /GN=!REMACTIVEFILE";
inline const std::string ActivateCmd = "Remote^RemActivate";

// How often the command occurs in the list.
std::size_t Count(const std::vector<std::string>& commands, const std::string& command);

}  // namespace e2e
