#include "tests/e2e/link_fixture.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/test_environment.h"

namespace e2e {

using namespace std::chrono_literals;

namespace {

constexpr Variant Variants[] = {
    {"delphi3", "Delphi3Enabled", "Delphi3HotKey", "Delphi 3-"},
    {"delphi2", "Delphi2Enabled", "Delphi2HotKey", "Delphi 2-"},
    {"cbuilder", "CBuilderEnabled", "CBuilderHotKey", "CBuilder-"},
};

constexpr UINT RunActionMessage = WM_APP + 7;
constexpr char HelperClass[] = "KvxE2EIdeThreadHelper";

const std::string MacroPrefix = "[RUNMACRO(\"";
const std::string MacroSuffix = std::string("\")]") + '\0';

}  // namespace

const Variant& ThisVariant() {
#if defined(KVX_VARIANT_DELPHI3)
  return Variants[0];
#elif defined(KVX_VARIANT_DELPHI2)
  return Variants[1];
#else
  return Variants[2];
#endif
}

// ---------------------------------------------------------------- the program

bool CorvaneProcess::Start(const std::vector<std::string>& arguments) {
  std::vector<std::string> copy = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copy) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  pid_ = pid;
  return true;
}

void CorvaneProcess::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

void CorvaneProcess::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int CorvaneProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(5ms);
  }
  return -1;
}

// ---------------------------------------------------------------- IDE thread

OnIdeThread::OnIdeThread() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &OnIdeThread::Procedure;
  windowClass.lpszClassName = HelperClass;
  RegisterClassA(&windowClass);  // a second registration fails harmlessly
  window_ = CreateWindowExA(0, HelperClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                            nullptr, nullptr);
}

OnIdeThread::~OnIdeThread() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool OnIdeThread::Post(std::function<void()> action) {
  auto* owned = new std::function<void()>(std::move(action));
  if (PostMessageA(window_, RunActionMessage, 0, reinterpret_cast<LPARAM>(owned))) return true;
  delete owned;
  return false;
}

LRESULT CALLBACK OnIdeThread::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != RunActionMessage) return DefWindowProcA(window, message, wParam, lParam);
  auto* action = reinterpret_cast<std::function<void()>*>(lParam);
  (*action)();
  delete action;
  return 0;
}

// ---------------------------------------------------------------- the fixture

LinkTest::LinkTest()
    : dir_(kvxtest::MakeScratchSubdirectory("e2e")),
      sourceDir_(dir_ + "/src"),
      shadowDir_(dir_ + "/shadow"),
      transcriptPath_(dir_ + "/corvane.transcript"),
      watchdog_(15s, dir_) {
  mkdir(sourceDir_.c_str(), 0700);
  mkdir(shadowDir_.c_str(), 0700);
}

LinkTest::~LinkTest() {
  if (ide_.ExpertLoaded()) ide_.Shutdown();
  if (control_) {
    if (corvane_.Running() || AttachToLaunchedCorvane()) control_->Quit();
    control_.reset();
  }
  if (corvane_.Running() && corvane_.WaitForExit(2s) != 0) corvane_.Kill();
  // What the expert started is not our child: found by its command line.
  KillProcessesMentioning(dir_);
  KillProcessesInPidFiles(dir_);
}

void LinkTest::StartCorvane(const std::vector<std::string>& extra) {
  std::vector<std::string> arguments = {KVX_E2E_CORVANE, "--transcript", transcriptPath_,
                                        "--control", controlService_};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  ASSERT_TRUE(corvane_.Start(arguments));
  watchdog_.WatchChild(corvane_.Pid());
  if (!control_) control_.emplace(controlService_);
  ASSERT_TRUE(control_->WaitForService(5s)) << "the stand-in did not come up";
}

std::string LinkTest::CorvaneCommandLine() const {
  return std::string("\"") + KVX_E2E_CORVANE + "\" --transcript \"" + transcriptPath_ +
         "\" --control " + controlService_;
}

bool LinkTest::AttachToLaunchedCorvane() {
  if (!control_) control_.emplace(controlService_);
  return control_->WaitForService(2s);
}

kvx::standin::EditorState LinkTest::CorvaneState() {
  auto state = control_ ? control_->State() : std::nullopt;
  EXPECT_TRUE(state.has_value()) << "no state from the stand-in";
  return state.value_or(kvx::standin::EditorState{});
}

std::vector<std::vector<std::string>> LinkTest::LaunchedCommandLines() const {
  std::vector<std::vector<std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (std::stol(name) == getpid() || std::stol(name) == corvane_.Pid()) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (line.find(transcriptPath_) == std::string::npos) continue;
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start < line.size();) {
      const std::size_t end = line.find('\0', start);
      arguments.push_back(line.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    found.push_back(std::move(arguments));
  }
  return found;
}

std::string LinkTest::Profile(const Settings& settings) const {
  const Variant& variant = ThisVariant();
  std::string text = "[Corvane for Windows 7.1]\n";
  text += std::string(variant.enabledKey) + "=" + (settings.enabled ? "1" : "0") + "\n";
  text += std::string(variant.hotKeyKey) + "=" + std::to_string(settings.hotKey) + "\n";
  if (settings.safetySave) text += "BorlandSafetySave=" + std::to_string(*settings.safetySave) + "\n";
  if (settings.trackProjects) {
    text += "BorlandTrackProjects=" + std::to_string(*settings.trackProjects) + "\n";
  }
  if (!settings.launchCommand.empty()) text += "BorlandKvxExecute=" + settings.launchCommand + "\n";
  text += "BorlandTempPath=" + settings.tempPath.value_or(shadowDir_) + "\n";
  return text;
}

void LinkTest::LoadExpert(const Settings& settings) {
  kvxtest::WriteProfile(Profile(settings));
  const simide::LoadResult loaded = ide_.LoadExpert(KVX_E2E_EXPERT);
  ASSERT_TRUE(loaded.loaded) << loaded.error;
  ASSERT_TRUE(loaded.entryResult);
}

std::string LinkTest::WriteSource(const std::string& name, const std::string& text) const {
  const std::string path = Source(name);
  kvxtest::WriteFileBytes(path, text);
  return path;
}

bool LinkTest::Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string LinkTest::ReadFile(const std::string& path) {
  return Exists(path) ? kvxtest::ReadFileBytes(path) : std::string("<missing>");
}

Records LinkTest::Transcript() {
  Records records;
  const auto deadline = std::chrono::steady_clock::now() + 3s;
  if (!Exists(transcriptPath_)) return records;  // the stand-in never ran
  for (;;) {
    auto read = kvx::standin::ReadTranscriptFile(transcriptPath_);
    if (read) {
      records = std::move(*read);
      const auto count = [&](kvx::standin::RecordKind kind) {
        return std::count_if(records.begin(), records.end(),
                             [&](const auto& record) { return record.kind == kind; });
      };
      const auto accepted = std::count_if(records.begin(), records.end(), [](const auto& r) {
        return r.kind == kvx::standin::RecordKind::Connect &&
               r.answer == kvx::standin::Answer::Ack;
      });
      if (accepted == count(kvx::standin::RecordKind::Disconnect)) return records;
    }
    if (std::chrono::steady_clock::now() > deadline) break;
    std::this_thread::sleep_for(2ms);
  }
  ADD_FAILURE() << "the transcript never showed every conversation ended";
  return records;
}

Records LinkTest::RecordsSince(std::size_t mark) {
  Records records = Transcript();
  records.erase(records.begin(), records.begin() + static_cast<long>(std::min(mark, records.size())));
  return records;
}

std::vector<std::string> LinkTest::CommandsSince(std::size_t mark) {
  std::vector<std::string> commands;
  for (const auto& record : RecordsSince(mark)) {
    if (record.kind != kvx::standin::RecordKind::Execute) continue;
    const std::string& data = record.data;
    if (data.starts_with(MacroPrefix) && data.ends_with(MacroSuffix)) {
      commands.push_back(
          data.substr(MacroPrefix.size(), data.size() - MacroPrefix.size() - MacroSuffix.size()));
    }
  }
  return commands;
}

std::vector<std::string> LinkTest::RequestsSince(std::size_t mark) {
  std::vector<std::string> items;
  for (const auto& record : RecordsSince(mark)) {
    if (record.kind == kvx::standin::RecordKind::Request) items.push_back(record.item);
  }
  return items;
}

// ---------------------------------------------------------------- commands

std::string RemoveCmd(const std::string& file) { return "Remote^RemRemoveFile /F=" + file; }

std::string ReloadCmd(char active, long line, long column, long top, const std::string& file,
                      const std::string& shadow) {
  return std::string("Remote^RemReloadFileEx /FLAGS=") + active + "/L=" + std::to_string(line) +
         "/C=" + std::to_string(column) + "/T=" + std::to_string(top) + "/F=" + file + "/V=" +
         shadow;
}

std::string SessionCmd(const std::string& session, const std::string& directory) {
  return "SessMgr /SESSION=" + session + "/DIR=" + directory;
}

std::string FileInfoCmd(const std::string& file) {
  return "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=" + file;
}

std::size_t Count(const std::vector<std::string>& commands, const std::string& command) {
  return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
}

}  // namespace e2e
