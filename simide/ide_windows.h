// The IDE's windows on the host thread: the hidden application window (the
// parent handle the tools interface hands out), the "TAppBuilder" main window
// with its menu bar, and the editor window that has the keyboard focus. Their
// procedures record every message they see and leave the rest to
// DefWindowProcA, so WM_CLOSE destroys them.
#pragma once

#include <map>
#include <vector>

#include "platform/posix/include/winsub_control.h"

namespace simide {

struct RecordedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class IdeWindows {
 public:
  IdeWindows();
  IdeWindows(const IdeWindows&) = delete;
  IdeWindows& operator=(const IdeWindows&) = delete;
  ~IdeWindows();

  HWND Application() const { return application_; }
  HWND AppBuilder() const { return appBuilder_; }
  HWND Editor() const { return editor_; }
  HMENU RunMenu() const { return runMenu_; }
  // The "Program reset" command, grayed while no program is debugged.
  UINT ProgramResetCommand() const;
  void SetDebugging(bool debugging);
  bool Debugging() const { return debugging_; }

  void DestroyAll();

  // Messages that reached the IDE's own procedure of a window (also after the
  // window is gone).
  const std::vector<RecordedMessage>& Messages(HWND window) const;
  int Count(HWND window, UINT message) const;
  // The IDE's own window procedure (to check that a subclass was undone).
  static WNDPROC OwnProcedure();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void BuildMenu();

  HWND application_ = nullptr;
  HWND appBuilder_ = nullptr;
  HWND editor_ = nullptr;
  HMENU runMenu_ = nullptr;
  bool debugging_ = false;
  std::map<HWND, std::vector<RecordedMessage>> seen_;
};

}  // namespace simide
