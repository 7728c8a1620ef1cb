#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane_standin/corvane_standin.h"
#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/expert.h"
#include "shell/globals.h"
#include "shell/main_window_hook.h"
#include "simide/ide_windows.h"
#include "tests/core/expert_fixture.h"
#include "tests/support/test_environment.h"

namespace {

using coretest::ProfileWith;
using coretest::RegisteredExperts;

WNDPROC ProcedureOf(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

int CountKeys(const simide::SimIde& ide, UINT message, WPARAM key) {
  int count = 0;
  for (const auto& seen : ide.MessagesSeen(ide.EditorWindow())) {
    if (seen.message == message && seen.wParam == key) ++count;
  }
  return count;
}

class EntryPoint : public coretest::ExpertTest {};

TEST_F(EntryPoint, FirstCallSetsTheLinkUp) {
  kvx::PushDone = true;
  kvx::TrackedCount = 7;
  ASSERT_TRUE(Enter(ProfileWith("1", "BorlandSafetySave=0\n")));

  EXPECT_EQ(terminate_, &kvx::ExpertDone);
  EXPECT_EQ(kvx::ToolServices, ide_.ToolServices());
  ASSERT_EQ(RegisteredExperts().size(), 1u);
  EXPECT_NE(dynamic_cast<kvx::TKVXExpert*>(RegisteredExperts()[0]), nullptr);

  EXPECT_TRUE(kvx::LinkEnabled);
  EXPECT_FALSE(kvx::SafetySave);  // the settings were read
  EXPECT_FALSE(kvx::PushDone);
  EXPECT_EQ(kvx::TrackedCount, 0);

  EXPECT_EQ(kvx::ActivateMsg, RegisterWindowMessageA("KVX_Delphi_Activate"));
  EXPECT_EQ(kvx::NeedActivateMsg, RegisterWindowMessageA("KVX_Delphi_NeedActivate"));
  EXPECT_EQ(kvx::ActivateKvxMsg, RegisterWindowMessageA("KVX_Delphi_ActivateKvx"));
  EXPECT_NE(kvx::ActivateMsg, 0u);

  EXPECT_EQ(kvx::ParentWindow, ide_.ParentWindow());
  EXPECT_EQ(kvx::AppBuilderWindow, ide_.AppBuilderWindow());
  EXPECT_NE(kvx::ParentWindow, kvx::AppBuilderWindow);

  EXPECT_EQ(ide_.AddInNotifierCount(), 1u);
  // The host's parent window is subclassed, the AppBuilder window is not.
  EXPECT_EQ(ProcedureOf(ide_.ParentWindow()), &kvx::MainWindowProc);
  EXPECT_EQ(kvx::SavedWindowProc, simide::IdeWindows::OwnProcedure());
  EXPECT_EQ(ProcedureOf(ide_.AppBuilderWindow()), simide::IdeWindows::OwnProcedure());
  EXPECT_NE(kvx::KeyboardHook, nullptr);
}

TEST_F(EntryPoint, ASecondCallChangesNothing) {
  ASSERT_TRUE(Enter(ProfileWith("1")));
  const HHOOK hook = kvx::KeyboardHook;
  const auto sentinel = reinterpret_cast<kvx::TExpertTerminateProc>(0x1234);
  terminate_ = sentinel;
  kvxtest::WriteProfile(ProfileWith("0"));

  EXPECT_FALSE(EnterAgain());
  EXPECT_EQ(terminate_, sentinel);
  EXPECT_EQ(RegisteredExperts().size(), 1u);
  EXPECT_EQ(ide_.AddInNotifierCount(), 1u);
  EXPECT_TRUE(kvx::LinkEnabled);  // the settings were not read again
  EXPECT_EQ(kvx::KeyboardHook, hook);
  EXPECT_EQ(kvx::SavedWindowProc, simide::IdeWindows::OwnProcedure());
  EXPECT_EQ(ProcedureOf(ide_.ParentWindow()), &kvx::MainWindowProc);
}

TEST_F(EntryPoint, WithTheLinkOffOnlyTheExpertIsRegistered) {
  ASSERT_TRUE(Enter(ProfileWith("256")));
  EXPECT_FALSE(kvx::LinkEnabled);
  EXPECT_EQ(terminate_, &kvx::ExpertDone);
  EXPECT_EQ(RegisteredExperts().size(), 1u);
  EXPECT_EQ(ide_.AddInNotifierCount(), 0u);
  EXPECT_EQ(ProcedureOf(ide_.ParentWindow()), simide::IdeWindows::OwnProcedure());
  EXPECT_EQ(kvx::SavedWindowProc, nullptr);
  EXPECT_EQ(kvx::KeyboardHook, nullptr);
  // Message ids and windows are still set.
  EXPECT_NE(kvx::ActivateKvxMsg, 0u);
  EXPECT_EQ(kvx::ParentWindow, ide_.ParentWindow());
  EXPECT_EQ(kvx::AppBuilderWindow, ide_.AppBuilderWindow());

  // Terminating still ends the DDE client and has nothing else to undo.
  kvx::ExpertDone();
  EXPECT_EQ(kvx::DdeInstance, 0u);
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());
  EXPECT_EQ(ProcedureOf(ide_.ParentWindow()), simide::IdeWindows::OwnProcedure());
}

TEST_F(EntryPoint, AHookThatCannotBeInstalledGoesUnreported) {
  WinsubInjectFault(WINSUB_FAULT_SET_HOOK, 0, 1);
  ASSERT_TRUE(Enter(ProfileWith("1", "Delphi3HotKey=1867\nDelphi2HotKey=1867\nCBuilderHotKey=1867\n")));
  EXPECT_EQ(kvx::KeyboardHook, nullptr);
  EXPECT_EQ(ProcedureOf(ide_.ParentWindow()), &kvx::MainWindowProc);
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());
  // The chord reaches the IDE as an ordinary keystroke.
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_EQ(CountKeys(ide_, WM_KEYDOWN, 'K'), 1);
  kvx::ExpertDone();
  EXPECT_TRUE(ide_.MessageBoxesShown().empty());
}

// ---------------------------------------------------------------- the hotkey

int CountExecutes(const kvx::standin::CorvaneStandin& corvane, const std::string& text) {
  int count = 0;
  for (const auto& record : corvane.Transcript()) {
    if (record.kind == kvx::standin::RecordKind::Execute && record.data.find(text) != std::string::npos) {
      ++count;
    }
  }
  return count;
}

const std::string HotKeyLines = "Delphi3HotKey=1867\nDelphi2HotKey=1867\nCBuilderHotKey=1867\n"
                                "BorlandTrackProjects=0\n";

TEST_F(EntryPoint, TheHotkeyJumpsToCorvaneAndTheIdeNeverSeesItsKeyDown) {
  kvx::standin::CorvaneStandin corvane;
  ASSERT_TRUE(Enter(ProfileWith("1", HotKeyLines)));
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k", 2));

  EXPECT_EQ(CountKeys(ide_, WM_KEYDOWN, 'K'), 2);  // the two repeats
  EXPECT_EQ(CountKeys(ide_, WM_KEYUP, 'K'), 1);
  // Activate, push, activate again: one jump.
  EXPECT_EQ(CountExecutes(corvane, "[RUNMACRO(\"Remote^RemActivate\")]"), 2);
  EXPECT_EQ(ide_.CountMessages(ide_.ParentWindow(), kvx::ActivateKvxMsg), 0);

  // Other chords are the IDE's.
  ASSERT_TRUE(ide_.PressChord("ctrl+k"));
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+l"));
  EXPECT_EQ(CountKeys(ide_, WM_KEYDOWN, 'K'), 3);
  EXPECT_EQ(CountKeys(ide_, WM_KEYDOWN, 'L'), 1);
  EXPECT_EQ(CountExecutes(corvane, "[RUNMACRO(\"Remote^RemActivate\")]"), 2);
}

TEST_F(EntryPoint, AfterExpertDoneTheHotkeyIsAnOrdinaryKey) {
  kvx::standin::CorvaneStandin corvane;
  ASSERT_TRUE(Enter(ProfileWith("1", HotKeyLines)));
  kvx::ExpertDone();
  ASSERT_TRUE(ide_.PressChord("ctrl+shift+k"));
  EXPECT_EQ(CountKeys(ide_, WM_KEYDOWN, 'K'), 1);
  EXPECT_EQ(CountExecutes(corvane, "RemActivate"), 0);
}

// ---------------------------------------------------------------- no windows

// A host that has no parent window to give and no AppBuilder window on the
// thread.
class WindowlessServices : public kvx::TIToolServices {
 public:
  HWND GetParentHandle() override { return nullptr; }
  bool AddNotifier(kvx::TIAddInNotifier* notifier) override {
    notifiers.push_back(notifier);
    return true;
  }
  bool RemoveNotifier(kvx::TIAddInNotifier*) override { return false; }
  std::string GetProjectName() override { return {}; }
  std::string GetCurrentFile() override { return {}; }
  bool IsFileOpen(const std::string&) override { return false; }
  kvx::TIModuleInterface* GetModuleInterface(const std::string&) override { return nullptr; }
  bool ReloadFile(const std::string&) override { return false; }
  void RaiseException(const std::string&) override {}

  std::vector<kvx::TIAddInNotifier*> notifiers;
};

int CountBox(void* boxes, HWND, const char*, const char*, UINT) {
  ++*static_cast<int*>(boxes);
  return IDOK;
}

TEST(EntryPointWithoutWindows, NothingIsSubclassedButTheHookIsInstalled) {
  WindowlessServices services;
  kvx::TExpertTerminateProc terminate = nullptr;
  kvxtest::WriteProfile(ProfileWith("1"));
  ASSERT_TRUE(KVX_ENTRY_POINT(&services, &coretest::RegisterExpert, &terminate));

  EXPECT_EQ(kvx::ParentWindow, nullptr);
  EXPECT_EQ(kvx::AppBuilderWindow, nullptr);
  EXPECT_EQ(kvx::SavedWindowProc, nullptr);
  EXPECT_EQ(services.notifiers.size(), 1u);
  const HHOOK hook = kvx::KeyboardHook;
  EXPECT_NE(hook, nullptr);

  int boxes = 0;
  WinsubSetMessageBoxResponder(&CountBox, &boxes);
  terminate();
  EXPECT_EQ(boxes, 0);
  EXPECT_EQ(kvx::SavedWindowProc, nullptr);
  EXPECT_FALSE(UnhookWindowsHookEx(hook));  // already removed

  for (kvx::TIAddInNotifier* notifier : services.notifiers) notifier->Release();
  for (kvx::TIExpert* expert : RegisteredExperts()) expert->Release();
  RegisteredExperts().clear();
}

}  // namespace
