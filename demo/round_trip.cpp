#include "demo/round_trip.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <optional>
#include <vector>

#include "corvane_standin/control_client.h"
#include "demo/standin_process.h"
#include "demo/text_display.h"
#include "demo/transcript_view.h"
#include "simide/sim_ide.h"

namespace kvxdemo {

namespace {

using std::chrono::milliseconds;

constexpr char OverwriteCaption[] = "WARNING: Overwrite Verification Needed!";
constexpr char SessionName[] = "Delphi 3-demo";  // the Delphi 3 session of demo.dpr

// Corvane's cursor after the user's edit: on "Corvane" in line 11.
constexpr std::int32_t EditLine = 11;
constexpr std::int32_t EditColumn = 25;
constexpr std::int32_t EditTop = 3;

long IndexOf(const std::vector<std::string>& commands, const std::string& text) {
  const auto it = std::find(commands.begin(), commands.end(), text);
  return it == commands.end() ? -1 : static_cast<long>(it - commands.begin());
}

bool HasCommand(const std::vector<std::string>& commands, const std::string& text) {
  return IndexOf(commands, text) >= 0;
}

class Demo {
 public:
  Demo(const Workspace& workspace, const RoundTripSetup& setup, Watchdog& watchdog, Checks& checks)
      : w_(workspace), setup_(setup), watchdog_(watchdog), checks_(checks), transcript_(workspace.transcript) {}

  void Run();

 private:
  bool LoadExpert();
  bool OpenProject();
  bool PressHotkey();
  bool LeaveForCorvane();
  bool ActAsCorvaneUser();
  bool ComeBack();
  void ShutDown();

  void Step(const std::string& title);
  void Say(const std::string& text) const { std::cout << "   " << Short(text) << "\n"; }
  std::string Short(const std::string& text) const { return Shortened(text, w_.root, "<ws>"); }
  void ShowBuffer(const std::string& path);
  std::string CursorText(const std::string& path) const;
  // The records the last action added, printed; nullopt (a failure recorded)
  // when the transcript cannot be read.
  std::optional<std::vector<kvx::standin::TranscriptRecord>> ShowTraffic();
  std::string ShadowOf(const std::string& path) const;
  std::string ReloadCommandFor(const std::string& path, bool active) const;

  const Workspace& w_;
  const RoundTripSetup& setup_;
  Watchdog& watchdog_;
  Checks& checks_;
  TranscriptFollower transcript_;
  simide::SimIde ide_;
  int step_ = 0;
};

void Demo::Step(const std::string& title) {
  watchdog_.Step(title);
  std::cout << "\n== Step " << ++step_ << ": " << title << "\n";
}

void Demo::ShowBuffer(const std::string& path) {
  const auto text = ide_.BufferText(path);
  const auto modified = ide_.IsModified(path);
  std::cout << "   IDE buffer of " << Short(path) << " (" << (text ? LineBreaks(*text) : "")
            << (modified.value_or(false) ? ", modified" : "") << "):\n";
  std::cout << (text ? NumberedLines(*text, "     ") : "     (not open)\n");
}

std::string Demo::CursorText(const std::string& path) const {
  const auto cursor = ide_.Cursor(path);
  const auto top = ide_.TopPosition(path);
  if (!cursor || !top) return "(no view)";
  return "line " + std::to_string(cursor->Line) + ", column " + std::to_string(cursor->Col) + " (top line " +
         std::to_string(top->Line) + ")";
}

std::optional<std::vector<kvx::standin::TranscriptRecord>> Demo::ShowTraffic() {
  std::string why;
  auto fresh = transcript_.TakeNew(milliseconds(3000), &why);
  if (!fresh) {
    checks_.Fail(why);
    return std::nullopt;
  }
  std::cout << "   What crossed to Corvane (from the stand-in's transcript):\n"
            << DescribeRecords(*fresh, "     ", w_.root);
  return fresh;
}

std::string Demo::ShadowOf(const std::string& path) const {
  const std::string file = path.substr(path.rfind('/') + 1);
  const std::size_t dot = file.rfind('.');
  return w_.shadowDir + "/" + file.substr(0, dot) + ".0" + file.substr(dot);
}

std::string Demo::ReloadCommandFor(const std::string& path, bool active) const {
  const auto cursor = ide_.Cursor(path);
  const auto top = ide_.TopPosition(path);
  std::string command = std::string("Remote^RemReloadFileEx /FLAGS=") + (active ? "1" : "0");
  if (cursor && top) {
    command += "/L=" + std::to_string(cursor->Line) + "/C=" + std::to_string(cursor->Col) + "/T=" +
               std::to_string(top->Line);
  }
  return command + "/F=" + path + "/V=" + ShadowOf(path);
}

// ---------------------------------------------------------------- the steps

bool Demo::LoadExpert() {
  Step("the simulated IDE loads the Delphi 3 expert");
  std::cout << "   workspace: " << w_.root << "  (shown as <ws>)\n";
  Say("profile (WINSUB_WIN_INI=" + w_.profile + "):");
  std::cout << NumberedLines(ReadFile(w_.profile).value_or(""), "     ");
  Say("Delphi3HotKey=1867 is 'K' (0x4B) with Ctrl and Shift: the hotkey Ctrl+Shift+K.");
  const simide::LoadResult loaded = ide_.LoadExpert(setup_.expert);
  Say("library: " + setup_.expert);
  if (!checks_.Expect(loaded.loaded && loaded.entryFound && loaded.entryResult,
                      std::string("the IDE loaded the expert and its entry point ") +
                          simide::SimIde::EntryPointName() + " answered true",
                      loaded.error)) {
    return false;
  }
  checks_.Expect(ide_.AddInNotifierCount() == 1, "the expert registered its add-in notifier (the link is on)");
  return true;
}

bool Demo::OpenProject() {
  Step("a project and two units are opened in the IDE");
  const bool opened = ide_.OpenProject(w_.project) && ide_.OpenFile(w_.alpha) && ide_.OpenFile(w_.beta);
  if (!checks_.Expect(opened, "the IDE opened " + Short(w_.project) + ", alpha.pas and beta.pas")) return false;
  ide_.SetCursor(w_.alpha, 9, 10);
  ShowBuffer(w_.alpha);
  Say("cursor in alpha.pas: " + CursorText(w_.alpha));

  Say("The IDE user types \"" + std::string(texts::BetaTypedInIde) + "\" into beta.pas, line 6, and does not save:");
  ide_.SetCursor(w_.beta, 6, 3);
  const bool typed = ide_.TypeText(texts::BetaTypedInIde);
  ShowBuffer(w_.beta);
  Say("cursor in beta.pas: " + CursorText(w_.beta));
  checks_.Expect(typed && ide_.IsModified(w_.beta) == true, "beta.pas is modified in the IDE");
  checks_.Expect(FindStandin(w_.transcript).pid == 0 && !ReadFile(w_.transcript),
                 "Corvane is not running yet (no stand-in process, no transcript)");
  return true;
}

bool Demo::PressHotkey() {
  Step("the user presses Ctrl+Shift+K: the link starts Corvane, waits for it and pushes");
  const auto started = std::chrono::steady_clock::now();
  const bool pressed = ide_.PressChord("ctrl+shift+k");
  const auto took = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started);
  if (!checks_.Expect(pressed, "the chord was typed")) return false;
  Say("the IDE was busy for " + std::to_string(took.count()) + " ms (launch, wait for the DDE service, push)");

  const StandinProcess standin = FindStandin(w_.transcript);
  if (!checks_.Expect(standin.pid != 0, "a stand-in process is running, started by the link (WinExec)",
                      "none runs with the transcript named in BorlandKvxExecute")) {
    return false;
  }
  std::string line;
  for (const auto& argument : standin.argv) line += (line.empty() ? "" : " ") + Quoted(argument);
  Say("its arguments: " + line);
  const std::string sessionArgument = std::string("-SN") + SessionName;
  checks_.Expect(std::find(standin.argv.begin(), standin.argv.end(), sessionArgument) != standin.argv.end(),
                 "the launch line carries the session argument " + Quoted(sessionArgument));

  const auto traffic = ShowTraffic();
  if (!traffic) return false;
  const auto commands = MacroCommands(*traffic);
  checks_.Expect(!HasCommand(commands, "Remote^RemActivate"),
                 "no \"Remote^RemActivate\" on the launch path");
  const std::string session = std::string("SessMgr /SESSION=") + SessionName + "/DIR=" + w_.root + "/project/";
  checks_.Expect(IndexOf(commands, session) == 0, "the push first switched Corvane to the project's session");
  for (const auto& [path, active] : {std::pair{w_.alpha, false}, std::pair{w_.beta, true}}) {
    const std::string name = Short(path);
    const long remove = IndexOf(commands, "Remote^RemRemoveFile /F=" + path);
    const long reload = IndexOf(commands, ReloadCommandFor(path, active));
    checks_.Expect(remove >= 0 && reload > remove,
                   name + ": \"Remote^RemRemoveFile\", then \"Remote^RemReloadFileEx\" with the IDE's cursor" +
                       (active ? " and the active flag" : ""),
                   "expected " + Quoted(Short(ReloadCommandFor(path, active))));
    checks_.Expect(ReadFile(ShadowOf(path)) == ide_.BufferText(path),
                   "the shadow file " + Short(ShadowOf(path)) + " holds the IDE buffer byte for byte");
  }

  kvx::standin::CorvaneControlClient control;
  const auto state = control.WaitForService(milliseconds(2000)) ? control.State() : std::nullopt;
  if (!checks_.Expect(state.has_value(), "the stand-in's control service answers")) return false;
  const auto* alpha = state->FindFile(w_.alpha);
  const auto* beta = state->FindFile(w_.beta);
  checks_.Expect(alpha != nullptr && beta != nullptr && alpha->text == texts::AlphaOriginal &&
                     beta->text == ide_.BufferText(w_.beta),
                 "Corvane holds both units with the IDE's text (beta.pas with the unsaved typing)");
  checks_.Expect(state->activeFile == w_.beta, "Corvane's active file is the IDE's current file, beta.pas",
                 "it is " + Quoted(Short(state->activeFile)));
  checks_.Expect(state->session == SessionName, std::string("Corvane works in the session ") + Quoted(SessionName));
  return true;
}

bool Demo::LeaveForCorvane() {
  Step("Corvane's window takes the foreground: the IDE application is deactivated");
  ide_.DeactivateApp();
  ide_.PumpUntilIdle();
  const auto traffic = ShowTraffic();
  if (!traffic) return false;
  const auto commands = MacroCommands(*traffic);
  const bool onlyReloads = !commands.empty() && std::all_of(commands.begin(), commands.end(), [](const auto& c) {
    return c.starts_with("Remote^RemReloadFileEx ");
  });
  checks_.Expect(onlyReloads && HasCommand(commands, ReloadCommandFor(w_.alpha, false)) &&
                     HasCommand(commands, ReloadCommandFor(w_.beta, true)),
                 "a second push: nothing changed, so one reload command per unit and no file written");
  return true;
}

bool Demo::ActAsCorvaneUser() {
  Step("in Corvane, the user edits alpha.pas, saves, moves the cursor and reloads beta.pas from disk");
  Say("Meanwhile a version-control checkout rewrites beta.pas on disk:");
  if (!checks_.Expect(WriteFile(w_.beta, texts::BetaCheckedOut), "beta.pas written on disk")) return false;
  std::cout << NumberedLines(texts::BetaCheckedOut, "     ");

  kvx::standin::CorvaneControlClient control;
  if (!checks_.Expect(control.WaitForService(milliseconds(2000)), "the stand-in's control service answers")) {
    return false;
  }
  const auto act = [&](const std::string& what, const kvx::standin::Outcome& outcome) {
    return checks_.Expect(outcome.done, "Corvane: " + what, outcome.reason);
  };
  Say("control \"edit\": the user changes 'Hello' to 'Hello from Corvane' and saves (to the shadow file)");
  if (!act("edit and save alpha.pas", control.Edit(w_.alpha, texts::AlphaEditedInCorvane))) return false;
  // No waiting for the next 2-second step of the file's time stamp: the link
  // notices the save by its exact modification time.
  Say("control \"cursor\": the cursor goes to line 11, column 25, top line 3");
  act("move the cursor in alpha.pas", control.MoveCursor(w_.alpha, EditLine, EditColumn, EditTop));
  Say("control \"reload\": the user reloads beta.pas from disk");
  act("reload beta.pas from disk", control.ReloadFromDisk(w_.beta));
  Say("control \"activate\": alpha.pas is the file in front in Corvane");
  act("make alpha.pas active", control.MakeActive(w_.alpha));

  Say("alpha's shadow file " + ShadowOf(w_.alpha) + " now holds:");
  const auto shadow = ReadFile(ShadowOf(w_.alpha));
  std::cout << NumberedLines(shadow.value_or(""), "     ");
  checks_.Expect(shadow == texts::AlphaEditedInCorvane, "Corvane saved alpha.pas into its shadow file");
  const auto traffic = ShowTraffic();
  if (!traffic) return false;
  checks_.Expect(traffic->empty(), "nothing crossed on the link while the user worked in Corvane");
  return true;
}

bool Demo::ComeBack() {
  Step("the user switches back: the IDE application is activated");
  Say("before: front editor " + Short(ide_.FrontFile()) + "; alpha.pas cursor " + CursorText(w_.alpha));
  Say("the IDE user will answer Yes to the overwrite question");
  ide_.QueueMessageBoxAnswer(IDYES);
  const std::size_t shownBefore = ide_.ShownSources().size();
  ide_.ActivateApp();
  ide_.PumpUntilIdle();
  // The need-activate message is posted after the pull; give it a moment.
  for (int i = 0; i < 100 && ide_.ShownSources().size() == shownBefore; ++i) ide_.PumpFor(20);

  const auto traffic = ShowTraffic();
  if (!traffic) return false;
  const auto commands = MacroCommands(*traffic);
  checks_.Expect(HasCommand(commands, "Remote^RemGetActiveFile /GN=!REMACTIVEFILE") &&
                     GlobalRead(*traffic, "!REMACTIVEFILE") == Quoted(w_.alpha),
                 "the link asked Corvane for its active file: alpha.pas");
  checks_.Expect(HasCommand(commands, "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=" + w_.alpha) &&
                     HasCommand(commands, "Remote^RemGetFileInfo /GN=!REMCURPOS/FLAGS=1/F=" + w_.beta),
                 "the link asked for the cursor and reload state of both units");

  Say("The text came back:");
  ShowBuffer(w_.alpha);
  checks_.Expect(ide_.BufferText(w_.alpha) == texts::AlphaEditedInCorvane,
                 "alpha.pas in the IDE holds Corvane's edit");
  checks_.Expect(ReadFile(w_.alpha) == texts::AlphaEditedInCorvane && ide_.IsModified(w_.alpha) == false,
                 "alpha.pas was saved to disk after the take-over (BorlandSafetySave=1)");

  const auto& boxes = ide_.MessageBoxesShown();
  Say("The question asked (" + std::to_string(boxes.size()) + " message box" + (boxes.size() == 1 ? "" : "es") +
      "):");
  for (const auto& box : boxes) {
    Say("  caption: " + Quoted(box.caption));
    Say("  text:    " + Quoted(box.text));
    Say("  answer:  " + std::string(box.answer == IDYES ? "Yes" : box.answer == IDNO ? "No" : "other"));
  }
  const std::string question = "The original version of " + w_.beta + " has been loaded into Corvane";
  checks_.Expect(boxes.size() == 1 && boxes[0].caption == OverwriteCaption &&
                     boxes[0].text.starts_with(question) && boxes[0].answer == IDYES,
                 "one overwrite question about beta.pas, answered Yes");
  ShowBuffer(w_.beta);
  checks_.Expect(ide_.BufferText(w_.beta) == texts::BetaCheckedOut && ide_.IsModified(w_.beta) == false,
                 "beta.pas was reloaded from disk in the IDE (the unsaved typing is gone, as chosen)");

  Say("cursor in alpha.pas: " + CursorText(w_.alpha));
  Say("  (line 11 - top line 3 = 8 lines fits the view's 25, so Corvane's top line is kept)");
  Say("cursor in beta.pas: " + CursorText(w_.beta));
  const auto cursor = ide_.Cursor(w_.alpha);
  const auto top = ide_.TopPosition(w_.alpha);
  checks_.Expect(cursor && top && cursor->Line == EditLine && cursor->Col == EditColumn && top->Line == EditTop,
                 "the IDE cursor followed Corvane's: line 11, column 25, top line 3");

  Say("front editor now: " + Short(ide_.FrontFile()));
  const auto& shown = ide_.ShownSources();
  checks_.Expect(shown.size() > shownBefore && shown.back() == w_.alpha && ide_.FrontFile() == w_.alpha,
                 "the IDE shows Corvane's active file, alpha.pas (ShowSource)");
  return true;
}

void Demo::ShutDown() {
  Step("the IDE closes: the expert is shut down and Corvane is stopped");
  const std::size_t boxesBefore = ide_.MessageBoxesShown().size();
  if (ide_.ExpertLoaded()) ide_.Shutdown();
  checks_.Expect(ide_.MessageBoxesShown().size() == boxesBefore && !ide_.WindowProcedureLeftSubclassed(),
                 "the expert shut down cleanly (hook freed, window procedure restored)");
  const std::string stopped = StopStandin(w_.transcript, milliseconds(3000));
  Say(stopped);
  checks_.Expect(FindStandin(w_.transcript).pid == 0, "no stand-in process is left");
}

void Demo::Run() {
  if (setup_.showHostEvents) {
    ide_.SetLog([](const std::string& line) { std::cout << "      ide: " << line << "\n"; });
  }
  try {
    if (LoadExpert() && OpenProject() && PressHotkey() && LeaveForCorvane() && ActAsCorvaneUser()) ComeBack();
  } catch (const std::exception& failure) {
    checks_.Fail(std::string("unexpected error: ") + failure.what());
  }
  ShutDown();
}

}  // namespace

void RunRoundTrip(const Workspace& workspace, const RoundTripSetup& setup, Watchdog& watchdog, Checks& checks) {
  Demo demo(workspace, setup, watchdog, checks);
  demo.Run();
}

}  // namespace kvxdemo
