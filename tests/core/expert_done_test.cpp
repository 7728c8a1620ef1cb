#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editorlink/kvxdde.h"
#include "platform/posix/include/winsub_control.h"
#include "shell/expert.h"
#include "shell/globals.h"
#include "simide/ide_windows.h"
#include "tests/core/expert_fixture.h"

namespace {

// What the warning box saw of the teardown when it came up.
struct BoxSighting {
  HWND owner;
  std::string text;
  std::string caption;
  UINT style;
  bool shuttingDown;
  DWORD ddeInstance;
  WNDPROC parentProcedure;
  WNDPROC savedProcedure;
};

std::vector<BoxSighting>& Sightings() {
  static std::vector<BoxSighting> sightings;
  return sightings;
}

int RecordBox(void*, HWND owner, const char* text, const char* caption, UINT type) {
  Sightings().push_back(BoxSighting{
      owner, text, caption, type, kvx::ShuttingDown, kvx::DdeInstance,
      reinterpret_cast<WNDPROC>(GetWindowLongPtrA(kvx::ParentWindow, GWLP_WNDPROC)),
      kvx::SavedWindowProc});
  return IDOK;
}

class ExpertDone : public coretest::ExpertTest {
 protected:
  void SetUp() override { ASSERT_TRUE(Enter(coretest::ProfileWith("1"))); }
};

TEST_F(ExpertDone, AHookThatWillNotGoIsReportedOnceAtTheEnd) {
  const HHOOK hook = kvx::KeyboardHook;
  ASSERT_NE(hook, nullptr);
  WinsubSetMessageBoxResponder(&RecordBox, nullptr);
  WinsubInjectFault(WINSUB_FAULT_UNHOOK, 0, 1);

  kvx::ExpertDone();

  ASSERT_EQ(Sightings().size(), 1u);
  const BoxSighting& box = Sightings()[0];
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.text, "Keyboard Hook not Freed");
  EXPECT_EQ(box.caption, "WARNING");
  EXPECT_EQ(box.style, 0x30u);
  // By then the flag is set, the DDE client ended and the window restored.
  EXPECT_TRUE(box.shuttingDown);
  EXPECT_EQ(box.ddeInstance, 0u);
  EXPECT_EQ(box.parentProcedure, simide::IdeWindows::OwnProcedure());
  EXPECT_EQ(box.savedProcedure, nullptr);

  EXPECT_EQ(kvx::KeyboardHook, hook);  // kept either way
}

TEST_F(ExpertDone, UndoesTheSubclassAndTheHookQuietly) {
  const HHOOK hook = kvx::KeyboardHook;
  WinsubSetMessageBoxResponder(&RecordBox, nullptr);
  kvx::ExpertDone();
  EXPECT_TRUE(Sightings().empty());
  EXPECT_TRUE(kvx::ShuttingDown);
  EXPECT_EQ(kvx::DdeInstance, 0u);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(ide_.ParentWindow(), GWLP_WNDPROC)),
            simide::IdeWindows::OwnProcedure());
  EXPECT_EQ(kvx::SavedWindowProc, nullptr);
  EXPECT_EQ(kvx::KeyboardHook, hook);
  // The hook is gone: removing it again fails.
  EXPECT_FALSE(UnhookWindowsHookEx(hook));
  // The host's notifiers stay registered; the host owns them.
  EXPECT_EQ(ide_.AddInNotifierCount(), 1u);
}

}  // namespace
