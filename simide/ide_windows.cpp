#include "simide/ide_windows.h"

#include <iterator>
#include <stdexcept>
#include <string>

namespace simide {

namespace {

#if defined(KVX_VARIANT_DELPHI3)
constexpr UINT ProgramResetId = 106;
#elif defined(KVX_VARIANT_CBUILDER)
constexpr UINT ProgramResetId = 97;
#else
constexpr UINT ProgramResetId = 98;
#endif
constexpr UINT ProgramPauseId = 214;

constexpr const char* ApplicationClass = "TApplication";
constexpr const char* AppBuilderClass = "TAppBuilder";
constexpr const char* EditorClass = "TEditControl";

// Windows of the IDE by handle; one IDE per process, on its own thread.
std::map<HWND, IdeWindows*>& Owners() {
  static std::map<HWND, IdeWindows*> owners;
  return owners;
}
thread_local IdeWindows* creating = nullptr;

void RegisterClasses() {
  static bool registered = false;
  if (registered) return;
  for (const char* name : {ApplicationClass, AppBuilderClass, EditorClass}) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = IdeWindows::OwnProcedure();
    windowClass.lpszClassName = name;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw std::runtime_error(std::string("cannot register window class ") + name);
    }
  }
  registered = true;
}

HWND Create(const char* className, const char* title, DWORD style, HWND parent) {
  return CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, parent,
                         nullptr, nullptr, nullptr);
}

}  // namespace

IdeWindows::IdeWindows() {
  RegisterClasses();
  creating = this;
  application_ = Create(ApplicationClass, "SimIde", WS_POPUP, nullptr);
  appBuilder_ = Create(AppBuilderClass, "SimIde - Project", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  editor_ = Create(EditorClass, "", WS_CHILD | WS_VISIBLE, appBuilder_);
  // A substitute without child windows still gets a focus window.
  if (editor_ == nullptr) editor_ = Create(EditorClass, "", WS_POPUP, nullptr);
  creating = nullptr;
  if (application_ == nullptr || appBuilder_ == nullptr || editor_ == nullptr) {
    DestroyAll();
    throw std::runtime_error("cannot create the IDE windows");
  }
  for (HWND window : {application_, appBuilder_, editor_}) Owners()[window] = this;
  BuildMenu();
  WinsubSetFocus(editor_);
}

IdeWindows::~IdeWindows() {
  DestroyAll();
  for (auto it = Owners().begin(); it != Owners().end();) {
    it = it->second == this ? Owners().erase(it) : std::next(it);
  }
}

void IdeWindows::BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 201, "&New");
  AppendMenuA(file, MF_STRING, 202, "&Open...");
  AppendMenuA(file, MF_STRING, 203, "&Save\tCtrl+S");
  AppendMenuA(file, MF_STRING, 204, "&Close");
  runMenu_ = CreatePopupMenu();
  AppendMenuA(runMenu_, MF_STRING, 210, "&Run\tF9");
  AppendMenuA(runMenu_, MF_STRING, 211, "Pa&rameters...");
  AppendMenuA(runMenu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(runMenu_, MF_STRING, 212, "&Step Over\tF8");
  AppendMenuA(runMenu_, MF_STRING, 213, "&Trace Into\tF7");
  AppendMenuA(runMenu_, MF_STRING | MF_GRAYED, ProgramPauseId, "Program P&ause");
  AppendMenuA(runMenu_, MF_STRING | MF_GRAYED, ProgramResetId, "&Program reset\tCtrl+F2");
  AppendMenuA(runMenu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(runMenu_, MF_STRING, 215, "&Evaluate/Modify...\tCtrl+F7");
  HMENU help = CreatePopupMenu();
  AppendMenuA(help, MF_STRING, 220, "&About...");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(runMenu_), "&Run");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
  SetMenu(appBuilder_, bar);
}

UINT IdeWindows::ProgramResetCommand() const { return ProgramResetId; }

void IdeWindows::SetDebugging(bool debugging) {
  debugging_ = debugging;
  const auto state = static_cast<UINT>(MF_BYCOMMAND | (debugging ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(runMenu_, ProgramResetId, state);
  EnableMenuItem(runMenu_, ProgramPauseId, state);
}

void IdeWindows::DestroyAll() {
  for (HWND* window : {&editor_, &appBuilder_, &application_}) {
    if (*window != nullptr && IsWindow(*window)) DestroyWindow(*window);
  }
}

const std::vector<RecordedMessage>& IdeWindows::Messages(HWND window) const {
  static const std::vector<RecordedMessage> none;
  const auto found = seen_.find(window);
  return found == seen_.end() ? none : found->second;
}

int IdeWindows::Count(HWND window, UINT message) const {
  int count = 0;
  for (const RecordedMessage& seen : Messages(window)) count += seen.message == message ? 1 : 0;
  return count;
}

WNDPROC IdeWindows::OwnProcedure() { return &IdeWindows::Procedure; }

LRESULT CALLBACK IdeWindows::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  IdeWindows* owner = nullptr;
  const auto found = Owners().find(window);
  if (found != Owners().end()) {
    owner = found->second;
  } else if (creating != nullptr) {
    owner = creating;
  }
  if (owner != nullptr) owner->seen_[window].push_back(RecordedMessage{message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace simide
