// A simulated IDE host for the expert: projects, editor buffers and views,
// the tools interface objects, notifiers, the IDE's windows and menu, message
// boxes and the loading of an expert library. Everything runs on the thread
// that created the SimIde, which plays the IDE's user-interface thread. One
// SimIde per process at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contracts/toolintf.h"
#include "simide/expert_loader.h"
#include "simide/ide_windows.h"
#include "simide/key_chords.h"
#include "simide/message_boxes.h"
#include "simide/object_registry.h"
#include "simide/workspace.h"

namespace simide {

class ToolServicesObject;

class SimIde {
 public:
  SimIde();
  SimIde(const SimIde&) = delete;
  SimIde& operator=(const SimIde&) = delete;
  // Shuts a loaded expert down, destroys the windows and frees every object
  // handed out, also those never released.
  ~SimIde();

  // One line per host event (notifications fired, ShowSource, reloads,
  // message boxes, exceptions); none by default.
  void SetLog(std::function<void(const std::string&)> log);

  // ---- the expert
  LoadResult LoadExpert(const std::string& path);
  EntryCallResult CallEntryPointAgain();
  // Calls the terminate procedure, releases the experts and the notifiers the
  // host still holds, then unloads the library.
  void Shutdown();
  bool ExpertLoaded() const { return loader_.Loaded(); }
  bool HasTerminateProcedure() const { return loader_.HasTerminate(); }
  const std::vector<kvx::TIExpert*>& Experts() const { return loader_.Experts(); }
  int RegisteredExpertCount() const { return loader_.RegisteredCount(); }
  static const char* EntryPointName() { return ExpertLoader::EntryPointName(); }
  // The host's tool services (what the entry point gets). Tests that play
  // the expert in-process call it directly.
  kvx::TIToolServices* ToolServices();
  const std::vector<std::string>& RaisedExceptions() const;
  // Set at Shutdown when the expert left its subclass on the parent window
  // (the host then puts its own procedure back before unloading).
  bool WindowProcedureLeftSubclassed() const { return leftSubclassed_; }

  // ---- projects and files (names made absolute)
  bool OpenProject(const std::string& path);
  bool CloseProject();
  bool OpenFile(const std::string& path);
  bool AddFile(const std::string& path);
  bool CloseFile(const std::string& path);
  bool SelectFile(const std::string& path);
  bool InsertText(const std::string& path, std::size_t offset, const std::string& text);
  bool ReplaceText(const std::string& path, std::size_t offset, std::size_t count,
                   const std::string& text);
  bool TypeText(const std::string& text);  // at the front editor's cursor
  bool SaveFile(const std::string& path);
  bool SaveFileAs(const std::string& path, const std::string& newPath);
  bool Undo(const std::string& path);
  bool SetCursor(const std::string& path, long line, long column);
  bool SetTopLine(const std::string& path, long line, long column = 1);
  bool SetViewSize(const std::string& path, int columns, int lines);
  bool SetViewCount(const std::string& path, int count);
  // Whether writer edits fire the modified notification as user edits do (on).
  void SetNotifyOnWriterEdits(bool on) { workspace_.SetNotifyOnWriterEdits(on); }

  // ---- what the IDE shows
  static std::string FullName(const std::string& path);
  std::string ProjectName() const { return workspace_.ProjectName(); }
  std::string FrontFile() const { return workspace_.FrontFile(); }
  std::vector<std::string> OpenFiles() const { return workspace_.OpenFiles(); }
  bool IsOpen(const std::string& path) const;
  std::optional<std::string> BufferText(const std::string& path) const;
  std::optional<bool> IsModified(const std::string& path) const;
  std::optional<kvx::TEditPos> Cursor(const std::string& path) const;
  std::optional<kvx::TEditPos> TopPosition(const std::string& path) const;
  std::size_t UndoDepth(const std::string& path) const;
  std::size_t ModuleNotifierCount(const std::string& path) const;
  std::size_t AddInNotifierCount() const { return workspace_.AddInNotifierCount(); }
  const std::vector<std::string>& ShownSources() const { return workspace_.ShownSources(); }
  const std::vector<std::string>& Reloads() const { return workspace_.Reloads(); }

  // ---- handed-out objects
  ObjectCounts LiveObjects() const { return registry_.Live(); }
  int OverReleases() const { return registry_.OverReleases(); }

  // ---- windows, menu and the debugger
  HWND ParentWindow() const { return windows_.Application(); }
  HWND AppBuilderWindow() const { return windows_.AppBuilder(); }
  HWND EditorWindow() const { return windows_.Editor(); }
  HMENU RunMenu() const { return windows_.RunMenu(); }
  UINT ProgramResetCommand() const { return windows_.ProgramResetCommand(); }
  void StartDebugging() { windows_.SetDebugging(true); }
  void StopDebugging() { windows_.SetDebugging(false); }
  bool Debugging() const { return windows_.Debugging(); }
  const std::vector<RecordedMessage>& MessagesSeen(HWND window) const {
    return windows_.Messages(window);
  }
  int CountMessages(HWND window, UINT message) const { return windows_.Count(window, message); }

  // ---- the user and the system
  // WM_ACTIVATEAPP to the thread's top-level windows; nothing is pumped.
  void DeactivateApp();
  void ActivateApp();
  // WM_SYSCOMMAND SC_CLOSE sent to the parent window.
  void SendCloseCommand();
  void DestroyWindows() { windows_.DestroyAll(); }
  // Queues the chord's keystrokes (modifiers down, the key down, `repeats`
  // automatic repeats, the key up, modifiers up) and pumps until idle.
  void PressChord(const KeyChordSpec& chord, int repeats = 0);
  bool PressChord(const std::string& chord, int repeats = 0);
  // Dispatches what the thread's queue holds; returns the count dispatched.
  int PumpUntilIdle();
  void PumpFor(unsigned milliseconds);
  bool QuitPosted() const { return quitPosted_; }

  // ---- message boxes
  void QueueMessageBoxAnswer(int answer) { boxes_.QueueAnswer(answer); }
  const std::vector<MessageBoxRecord>& MessageBoxesShown() const { return boxes_.Shown(); }

 private:
  std::shared_ptr<ModuleState> Find(const std::string& path) const;
  void Note(const std::string& line) const;

  // Refuses a second SimIde before anything process-wide is touched.
  struct OnePerProcess {
    OnePerProcess();
    OnePerProcess(const OnePerProcess&) = delete;
    OnePerProcess& operator=(const OnePerProcess&) = delete;
    ~OnePerProcess();
  } once_;
  std::function<void(const std::string&)> log_;
  ObjectRegistry registry_;  // first in, last out: frees every object at the end
  Workspace workspace_;
  IdeWindows windows_;
  MessageBoxes boxes_;
  ToolServicesObject* services_ = nullptr;
  ExpertLoader loader_;
  DWORD thread_ = 0;
  bool leftSubclassed_ = false;
  bool quitPosted_ = false;
};

}  // namespace simide
