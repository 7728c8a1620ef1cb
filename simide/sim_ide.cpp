#include "simide/sim_ide.h"

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "simide/tool_services.h"

namespace simide {

namespace {

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

bool instanceAlive = false;

}  // namespace

SimIde::OnePerProcess::OnePerProcess() {
  if (instanceAlive) throw std::logic_error("one SimIde per process at a time");
  instanceAlive = true;
}

SimIde::OnePerProcess::~OnePerProcess() { instanceAlive = false; }

SimIde::SimIde() : thread_(GetCurrentThreadId()) {
  services_ = registry_.Adopt(std::make_unique<ToolServicesObject>(
      registry_, workspace_, [this] { return windows_.Application(); }));
  workspace_.SetLog([this](const std::string& line) { Note(line); });
  boxes_.SetLog([this](const MessageBoxRecord& box) {
    Note("message box \"" + box.caption + "\": " + box.text + " -> " + AnswerName(box.answer));
  });
}

SimIde::~SimIde() {
  if (loader_.Loaded()) {
    Shutdown();
  } else {
    workspace_.ReleaseNotifiers();
  }
  services_->Release();
  windows_.DestroyAll();
}

void SimIde::SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

void SimIde::Note(const std::string& line) const {
  if (log_) log_(line);
}

// ---------------------------------------------------------------- the expert

LoadResult SimIde::LoadExpert(const std::string& path) {
  leftSubclassed_ = false;
  LoadResult outcome = loader_.Load(path, services_);
  Note(outcome.loaded ? "loaded " + path : "not loaded: " + outcome.error);
  return outcome;
}

EntryCallResult SimIde::CallEntryPointAgain() { return loader_.CallAgain(services_); }

void SimIde::Shutdown() {
  loader_.CallTerminate();
  HWND parent = windows_.Application();
  const auto own = reinterpret_cast<LONG_PTR>(IdeWindows::OwnProcedure());
  if (loader_.Loaded() && IsWindow(parent) && GetWindowLongPtrA(parent, GWLP_WNDPROC) != own) {
    // Unloading under a live subclass would leave the window calling into
    // unmapped code.
    leftSubclassed_ = true;
    SetWindowLongPtrA(parent, GWLP_WNDPROC, own);
    Note("the expert left the parent window subclassed");
  }
  loader_.ReleaseExperts();
  workspace_.ReleaseNotifiers();
  loader_.Unload();
}

kvx::TIToolServices* SimIde::ToolServices() { return services_; }

const std::vector<std::string>& SimIde::RaisedExceptions() const {
  return services_->RaisedExceptions();
}

// ---------------------------------------------------------------- documents

std::string SimIde::FullName(const std::string& path) {
  if (path.empty()) return path;
  return std::filesystem::absolute(path).lexically_normal().string();
}

std::shared_ptr<ModuleState> SimIde::Find(const std::string& path) const {
  return workspace_.FindOpen(FullName(path));
}

bool SimIde::OpenProject(const std::string& path) { return workspace_.OpenProject(FullName(path)); }
bool SimIde::CloseProject() { return workspace_.CloseProject(); }
bool SimIde::OpenFile(const std::string& path) { return workspace_.OpenFile(FullName(path)); }
bool SimIde::AddFile(const std::string& path) { return workspace_.AddFile(FullName(path)); }
bool SimIde::CloseFile(const std::string& path) { return workspace_.CloseFile(FullName(path)); }
bool SimIde::SelectFile(const std::string& path) { return workspace_.SelectFile(FullName(path)); }

bool SimIde::InsertText(const std::string& path, std::size_t offset, const std::string& text) {
  return workspace_.InsertText(FullName(path), offset, text);
}

bool SimIde::ReplaceText(const std::string& path, std::size_t offset, std::size_t count,
                         const std::string& text) {
  return workspace_.ReplaceText(FullName(path), offset, count, text);
}

bool SimIde::TypeText(const std::string& text) { return workspace_.TypeText(text); }
bool SimIde::SaveFile(const std::string& path) { return workspace_.SaveFile(FullName(path)); }

bool SimIde::SaveFileAs(const std::string& path, const std::string& newPath) {
  return workspace_.SaveFileAs(FullName(path), FullName(newPath));
}

bool SimIde::Undo(const std::string& path) { return workspace_.Undo(FullName(path)); }

bool SimIde::SetCursor(const std::string& path, long line, long column) {
  return workspace_.SetCursor(FullName(path), kvx::TEditPos{static_cast<int16_t>(column),
                                                            static_cast<int32_t>(line)});
}

bool SimIde::SetTopLine(const std::string& path, long line, long column) {
  return workspace_.SetTop(FullName(path), kvx::TEditPos{static_cast<int16_t>(column),
                                                         static_cast<int32_t>(line)});
}

bool SimIde::SetViewSize(const std::string& path, int columns, int lines) {
  return workspace_.SetViewSize(FullName(path), columns, lines);
}

bool SimIde::SetViewCount(const std::string& path, int count) {
  return workspace_.SetViewCount(FullName(path), count);
}

bool SimIde::IsOpen(const std::string& path) const { return Find(path) != nullptr; }

std::optional<std::string> SimIde::BufferText(const std::string& path) const {
  const auto module = Find(path);
  if (!module) return std::nullopt;
  return module->text;
}

std::optional<bool> SimIde::IsModified(const std::string& path) const {
  const auto module = Find(path);
  if (!module) return std::nullopt;
  return module->modified;
}

std::optional<kvx::TEditPos> SimIde::Cursor(const std::string& path) const {
  const auto module = Find(path);
  if (!module || module->views.empty()) return std::nullopt;
  return module->views.front().cursor;
}

std::optional<kvx::TEditPos> SimIde::TopPosition(const std::string& path) const {
  const auto module = Find(path);
  if (!module || module->views.empty()) return std::nullopt;
  return module->views.front().top;
}

std::size_t SimIde::UndoDepth(const std::string& path) const {
  const auto module = Find(path);
  return module ? module->undoSteps.size() : 0;
}

std::size_t SimIde::ModuleNotifierCount(const std::string& path) const {
  const auto module = Find(path);
  return module ? module->notifiers.size() : 0;
}

// ---------------------------------------------------------------- user and system

void SimIde::DeactivateApp() {
  Note("application deactivated");
  WinsubActivateApp(thread_, FALSE, 0);
}

void SimIde::ActivateApp() {
  Note("application activated");
  WinsubActivateApp(thread_, TRUE, 0);
}

void SimIde::SendCloseCommand() {
  HWND parent = windows_.Application();
  if (IsWindow(parent)) SendMessageA(parent, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SimIde::PressChord(const KeyChordSpec& chord, int repeats) {
  WinsubSetFocus(windows_.Editor());
  for (const KeyStroke& modifier : chord.modifiers) {
    WinsubQueueKey(modifier.virtualKey, FALSE, modifier.extended);
  }
  for (int press = 0; press <= repeats; ++press) {
    WinsubQueueKey(chord.key.virtualKey, FALSE, chord.key.extended);
  }
  WinsubQueueKey(chord.key.virtualKey, TRUE, chord.key.extended);
  for (auto it = chord.modifiers.rbegin(); it != chord.modifiers.rend(); ++it) {
    WinsubQueueKey(it->virtualKey, TRUE, it->extended);
  }
  PumpUntilIdle();
}

bool SimIde::PressChord(const std::string& chord, int repeats) {
  const auto parsed = ParseKeyChord(chord);
  if (!parsed) return false;
  PressChord(*parsed, repeats);
  return true;
}

int SimIde::PumpUntilIdle() {
  int dispatched = 0;
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitPosted_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++dispatched;
  }
  return dispatched;
}

void SimIde::PumpFor(unsigned milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (true) {
    PumpUntilIdle();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

}  // namespace simide
