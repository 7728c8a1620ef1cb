// The IDE's windows, menu, activation, keys and message boxes.
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix/include/winsub_control.h"
#include "tests/simide/host_fixture.h"

namespace simidetest {
namespace {

class WindowsTest : public HostTest {};

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

TEST_F(WindowsTest, TopLevelWindowsOfTheThread) {
  EXPECT_EQ(ide.ToolServices()->GetParentHandle(), ide.ParentWindow());
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  std::vector<std::string> classes;
  for (HWND window : windows) classes.push_back(ClassOf(window));
  EXPECT_THAT(classes, testing::Contains("TApplication"));
  EXPECT_THAT(classes, testing::Contains("TAppBuilder"));
  EXPECT_EQ(ClassOf(ide.ParentWindow()), "TApplication");
  EXPECT_EQ(ClassOf(ide.AppBuilderWindow()), "TAppBuilder");
}

TEST_F(WindowsTest, RunMenuProgramResetGrayedUnlessDebugging) {
  HMENU bar = GetMenu(ide.AppBuilderWindow());
  ASSERT_NE(bar, nullptr);
  HMENU run = nullptr;
  char caption[256];
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    GetMenuStringA(bar, static_cast<UINT>(i), caption, 255, MF_BYPOSITION);
    if (std::string(caption) == "&Run") run = GetSubMenu(bar, i);
  }
  ASSERT_NE(run, nullptr);
  int reset = -1;
  for (int i = 0; i < GetMenuItemCount(run); ++i) {
    GetMenuStringA(run, static_cast<UINT>(i), caption, 255, MF_BYPOSITION);
    if (std::string(caption) == "&Program reset\tCtrl+F2") reset = i;
  }
  ASSERT_GE(reset, 0);
  const UINT id = GetMenuItemID(run, reset);
  EXPECT_EQ(id, ide.ProgramResetCommand());

  EXPECT_EQ(GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  ide.StartDebugging();
  EXPECT_EQ(GetMenuState(bar, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
  ide.StopDebugging();
  EXPECT_EQ(GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
}

// A subclass in front of the application window, as an expert would install.
WNDPROC savedProcedure = nullptr;
int subclassSawActivate = 0;
LRESULT CALLBACK SwallowActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATEAPP) {
    ++subclassSawActivate;
    return 0;
  }
  return CallWindowProcA(savedProcedure, window, message, wParam, lParam);
}

TEST_F(WindowsTest, ActivationReachesTheIdeProcedureUnlessASubclassKeepsIt) {
  HWND parent = ide.ParentWindow();
  ide.DeactivateApp();
  ide.ActivateApp();
  ASSERT_EQ(ide.CountMessages(parent, WM_ACTIVATEAPP), 2);
  const auto& seen = ide.MessagesSeen(parent);
  std::vector<WPARAM> states;
  for (const simide::RecordedMessage& message : seen) {
    if (message.message == WM_ACTIVATEAPP) states.push_back(message.wParam);
  }
  EXPECT_EQ(states, (std::vector<WPARAM>{0, 1}));
  EXPECT_EQ(ide.CountMessages(ide.AppBuilderWindow(), WM_ACTIVATEAPP), 2) << "every top-level window";

  savedProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwallowActivation)));
  ide.DeactivateApp();
  EXPECT_EQ(subclassSawActivate, 1);
  EXPECT_EQ(ide.CountMessages(parent, WM_ACTIVATEAPP), 2);
  SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedProcedure));
}

TEST_F(WindowsTest, CloseCommandDestroysTheParentWindow) {
  HWND parent = ide.ParentWindow();
  ide.SendCloseCommand();
  ide.PumpUntilIdle();
  EXPECT_EQ(ide.CountMessages(parent, WM_SYSCOMMAND), 1);
  EXPECT_EQ(ide.CountMessages(parent, WM_CLOSE), 1);
  EXPECT_EQ(ide.CountMessages(parent, WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_TRUE(IsWindow(ide.AppBuilderWindow()));
  ide.DestroyWindows();
  EXPECT_FALSE(IsWindow(ide.AppBuilderWindow()));
  EXPECT_EQ(ide.CountMessages(ide.AppBuilderWindow(), WM_DESTROY), 1);
}

TEST_F(WindowsTest, PostedMessagesArePumped) {
  ASSERT_TRUE(PostMessageA(ide.ParentWindow(), WM_USER + 7, 1, 2));
  ASSERT_TRUE(PostMessageA(ide.AppBuilderWindow(), WM_USER + 8, 0, 0));
  EXPECT_EQ(ide.PumpUntilIdle(), 2);
  EXPECT_EQ(ide.CountMessages(ide.ParentWindow(), WM_USER + 7), 1);
  EXPECT_EQ(ide.CountMessages(ide.AppBuilderWindow(), WM_USER + 8), 1);
  EXPECT_EQ(ide.PumpUntilIdle(), 0);
}

// A keyboard hook like the expert's: swallows the first key-down of K.
struct HookSeen {
  WPARAM key;
  LPARAM data;
  bool ctrl;
  bool shift;
};
std::vector<HookSeen> hookSeen;
LRESULT CALLBACK SwallowK(int code, WPARAM key, LPARAM data) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  hookSeen.push_back({key, data, (state[VK_CONTROL] & 0x80) != 0, (state[VK_SHIFT] & 0x80) != 0});
  if (code >= 0 && key == 'K' && (data & (3L << 30)) == 0) return 1;
  return CallNextHookEx(nullptr, code, key, data);
}

TEST_F(WindowsTest, TypedChordGoesThroughTheHookChain) {
  hookSeen.clear();
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, &SwallowK, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ASSERT_TRUE(ide.PressChord("ctrl+shift+k", 1));
  UnhookWindowsHookEx(hook);

  std::vector<WPARAM> keys;
  for (const HookSeen& seen : hookSeen) keys.push_back(seen.key);
  // Ctrl, Shift, K, K repeated, K up, Shift up, Ctrl up.
  EXPECT_EQ(keys, (std::vector<WPARAM>{VK_CONTROL, VK_SHIFT, 'K', 'K', 'K', VK_SHIFT, VK_CONTROL}));
  ASSERT_EQ(hookSeen.size(), 7u);
  EXPECT_TRUE(hookSeen[2].ctrl && hookSeen[2].shift) << "modifiers down when K is pressed";
  EXPECT_EQ(hookSeen[2].data & (3L << 30), 0) << "a fresh press";
  EXPECT_NE(hookSeen[3].data & (1L << 30), 0) << "an automatic repeat";

  int kDowns = 0;
  int kUps = 0;
  for (const simide::RecordedMessage& message : ide.MessagesSeen(ide.EditorWindow())) {
    if (message.wParam != 'K') continue;
    kDowns += message.message == WM_KEYDOWN ? 1 : 0;
    kUps += message.message == WM_KEYUP ? 1 : 0;
  }
  EXPECT_EQ(kDowns, 1) << "the first press was swallowed, the repeat was not";
  EXPECT_EQ(kUps, 1);
  EXPECT_FALSE(ide.PressChord("ctrl+nosuchkey"));
}

TEST_F(WindowsTest, KeyChordNames) {
  const auto up = simide::ParseKeyChord("Ctrl+Up");
  ASSERT_TRUE(up);
  EXPECT_EQ(up->key.virtualKey, static_cast<UINT>(VK_UP));
  EXPECT_TRUE(up->key.extended);
  ASSERT_EQ(up->modifiers.size(), 1u);
  EXPECT_EQ(up->modifiers[0].virtualKey, static_cast<UINT>(VK_CONTROL));
  EXPECT_FALSE(simide::ParseKeyChord("kpup")->key.extended);
  EXPECT_TRUE(simide::ParseKeyChord("kpenter")->key.extended);
  EXPECT_EQ(simide::ParseKeyChord("alt+f12")->key.virtualKey, static_cast<UINT>(VK_F12));
  EXPECT_EQ(simide::ParseKeyChord("0x4b")->key.virtualKey, 0x4Bu);
  EXPECT_EQ(simide::ParseKeyChord("shift")->key.virtualKey, static_cast<UINT>(VK_SHIFT));
  EXPECT_FALSE(simide::ParseKeyChord("k+ctrl"));
  EXPECT_FALSE(simide::ParseKeyChord("f25"));
}

TEST_F(WindowsTest, MessageBoxesAnsweredFromTheQueueThenByDefault) {
  ide.QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(MessageBoxA(ide.AppBuilderWindow(), "Reload?", "WARNING", MB_YESNO | MB_ICONWARNING), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Insert failed!", "ERROR", MB_OK | MB_SYSTEMMODAL), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "Q", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "Q", MB_YESNO | MB_DEFBUTTON2), IDNO);

  const auto& boxes = ide.MessageBoxesShown();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].owner, ide.AppBuilderWindow());
  EXPECT_EQ(boxes[0].text, "Reload?");
  EXPECT_EQ(boxes[0].caption, "WARNING");
  EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
  EXPECT_TRUE(boxes[0].prepared);
  EXPECT_EQ(boxes[1].owner, nullptr);
  EXPECT_EQ(boxes[1].style, static_cast<UINT>(MB_SYSTEMMODAL));
  EXPECT_FALSE(boxes[1].prepared);
}

TEST_F(WindowsTest, SecondIdeRefusedWithoutDisturbingTheFirst) {
  EXPECT_THROW(simide::SimIde second, std::logic_error);
  ide.QueueMessageBoxAnswer(IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Still answered?", "Q", MB_YESNO), IDNO);
  EXPECT_TRUE(IsWindow(ide.ParentWindow()));
}

}  // namespace
}  // namespace simidetest
