#include <gtest/gtest.h>

#include "menuctrl32/debugger_idle.h"
#include "shell/globals.h"
#include "tests/core/test_windows.h"

namespace {

#if defined(KVX_VARIANT_DELPHI3)
constexpr uint32_t FallbackId = 106;
#elif defined(KVX_VARIANT_DELPHI2)
constexpr uint32_t FallbackId = 98;
#else
constexpr uint32_t FallbackId = 97;
#endif

constexpr UINT ResetId = 900;

// An AppBuilder window whose Run menu holds "Program reset" in the given state.
HMENU MakeIdeWithReset(UINT resetState) {
  kvx::AppBuilderWindow = coretest::MakeWindow("TAppBuilder");
  const HMENU bar = CreateMenu();
  const HMENU run = CreatePopupMenu();
  AppendMenuA(run, MF_STRING, 899, "&Run\tF9");
  AppendMenuA(run, MF_STRING | resetState, ResetId, "&Program reset\tCtrl+F2");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
  SetMenu(kvx::AppBuilderWindow, bar);
  return run;
}

TEST(IsDebuggerIdle, ReadsTheStateOfProgramReset) {
  struct Case {
    const char* name;
    UINT state;
    bool idle;
  };
  const Case cases[] = {
      {"enabled: a program runs", MF_ENABLED, false},
      {"grayed", MF_GRAYED, true},
      {"disabled", MF_DISABLED, true},
      {"grayed and disabled", MF_GRAYED | MF_DISABLED, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HMENU run = MakeIdeWithReset(MF_ENABLED);
    kvx::ProgramResetId = 0;
    EnableMenuItem(run, ResetId, MF_BYCOMMAND | c.state);
    EXPECT_EQ(kvx::IsDebuggerIdle(), c.idle);
    EXPECT_EQ(kvx::ProgramResetId, ResetId);
  }
}

TEST(IsDebuggerIdle, FollowsTheItemOnLaterProbesThroughTheBar) {
  const HMENU run = MakeIdeWithReset(MF_GRAYED);
  EXPECT_TRUE(kvx::IsDebuggerIdle());
  EnableMenuItem(run, ResetId, MF_BYCOMMAND | MF_ENABLED);
  EXPECT_FALSE(kvx::IsDebuggerIdle());
  EnableMenuItem(run, ResetId, MF_BYCOMMAND | MF_DISABLED);
  EXPECT_TRUE(kvx::IsDebuggerIdle());
  EXPECT_EQ(kvx::ProgramResetId, ResetId);
}

TEST(IsDebuggerIdle, WithoutTheItemTheVariantsFallbackIdIsKeptForGood) {
  kvx::AppBuilderWindow = coretest::MakeWindow("TAppBuilder");
  const HMENU bar = CreateMenu();
  const HMENU run = CreatePopupMenu();
  AppendMenuA(run, MF_STRING, 899, "&Run");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
  SetMenu(kvx::AppBuilderWindow, bar);

  // No item with the fallback id either: all state bits set, so idle.
  EXPECT_TRUE(kvx::IsDebuggerIdle());
  EXPECT_EQ(kvx::ProgramResetId, FallbackId);

  // An item that appears later is not searched for again; an enabled item
  // carrying the fallback id is what the probe reads from now on.
  AppendMenuA(run, MF_STRING, ResetId, "&Program reset");
  AppendMenuA(run, MF_STRING, FallbackId, "Something else");
  EXPECT_FALSE(kvx::IsDebuggerIdle());
  EXPECT_EQ(kvx::ProgramResetId, FallbackId);
}

TEST(IsDebuggerIdle, NoWindowOrNoMenuAnswersIdle) {
  kvx::AppBuilderWindow = nullptr;
  EXPECT_TRUE(kvx::IsDebuggerIdle());
  EXPECT_EQ(kvx::ProgramResetId, FallbackId);

  kvx::ProgramResetId = 0;
  kvx::AppBuilderWindow = coretest::MakeWindow("TAppBuilder");
  EXPECT_TRUE(kvx::IsDebuggerIdle());
  EXPECT_EQ(kvx::ProgramResetId, FallbackId);
}

}  // namespace
