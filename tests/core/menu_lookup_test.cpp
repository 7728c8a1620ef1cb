#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "menuctrl32/menuctrl32.h"
#include "tests/core/test_windows.h"

namespace {

// ---------------------------------------------------------------- windows

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

TEST(FindThreadWindowByClass, FirstMatchInEnumerationOrderWins) {
  coretest::MakeWindow("TOther");
  const HWND a = coretest::MakeWindow("TAppBuilder");
  const HWND b = coretest::MakeWindow("TAppBuilder");
  coretest::MakeWindow("TLast");
  HWND first = nullptr;
  for (HWND w : ThreadWindows()) {
    if (w == a || w == b) {
      first = w;
      break;
    }
  }
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TAppBuilder"), first);
  EXPECT_EQ(kvx::FoundWindow, first);
}

TEST(FindThreadWindowByClass, CaseIsIgnoredForAsciiLettersOnly) {
  const HWND window = coretest::MakeWindow("TAppBuilder\xC4");
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "tappbuilder\xC4"), window);
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TAppBuilder\xE4"), nullptr);
  // Prefixes and extensions are different names.
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TAppBuilder"), nullptr);
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TAppBuilder\xC4x"), nullptr);
}

TEST(FindThreadWindowByClass, NoMatchGivesZeroAfterAnEarlierFind) {
  const HWND window = coretest::MakeWindow("TAppBuilder");
  ASSERT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TAppBuilder"), window);
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), "TNoSuchClass"), nullptr);
  EXPECT_EQ(kvx::FoundWindow, nullptr);
}

TEST(FindThreadWindowByClass, LongClassNamesAreReadSafely) {
  const std::string longName(255, 'Q');
  const HWND window = coretest::MakeWindow(longName);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(kvx::FindThreadWindowByClass(GetCurrentThreadId(), longName.c_str()), window);
}

TEST(ClassMatchEnumProc, StopsOnMatchAndGoesOnOtherwise) {
  const HWND window = coretest::MakeWindow("TAppBuilder");
  kvx::FoundWindow = nullptr;
  EXPECT_EQ(kvx::ClassMatchEnumProc(window, reinterpret_cast<LPARAM>("TEditor")), TRUE);
  EXPECT_EQ(kvx::FoundWindow, nullptr);
  EXPECT_EQ(kvx::ClassMatchEnumProc(window, reinterpret_cast<LPARAM>("TAPPBUILDER")), FALSE);
  EXPECT_EQ(kvx::FoundWindow, window);
}

// ---------------------------------------------------------------- tokens

std::vector<std::string> Tokens(const char* path, uint16_t maxLength, int count) {
  std::vector<std::string> tokens;
  uint16_t position = 0;
  for (int i = 0; i < count; ++i) {
    char token[kvx::MenuTextSize];
    std::memset(token, 'X', sizeof token);
    kvx::NextMenuPathToken(token, path, position, maxLength);
    tokens.emplace_back(token);
  }
  return tokens;
}

TEST(NextMenuPathToken, SplitsAtBarsAndYieldsEmptyTokensWhenUsedUp) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Tokens("Run|Program reset", 255, 3), (V{"Run", "Program reset", ""}));
  EXPECT_EQ(Tokens("A||B", 255, 3), (V{"A", "", "B"}));
  EXPECT_EQ(Tokens("|x", 255, 2), (V{"", "x"}));
  EXPECT_EQ(Tokens("", 255, 2), (V{"", ""}));
  // A token longer than the maximum is cut; its rest is the next token.
  EXPECT_EQ(Tokens("abcdef|g", 4, 3), (V{"abcd", "ef", "g"}));
  EXPECT_EQ(Tokens("abcd|e", 4, 3), (V{"abcd", "", "e"}));
}

TEST(NextMenuPathToken, A255CharacterTokenFitsTheBuffer) {
  const std::string path = std::string(300, 'm') + "|tail";
  EXPECT_EQ(Tokens(path.c_str(), 255, 3),
            (std::vector<std::string>{std::string(255, 'm'), std::string(45, 'm'), "tail"}));
}

// ---------------------------------------------------------------- captions

TEST(CleanMenuCaption, Table) {
  struct Case {
    const char* caption;
    const char* cleaned;
  };
  const Case cases[] = {
      {"&Program reset\tCtrl+F2", "Program reset"},
      {"Program  reset", "Program"},
      {"A&&B", "AB"},
      {"&&&", ""},
      {"E&xit", "Exit"},
      {"trailing&", "trailing"},
      {"one space ok", "one space ok"},
      {"end ", "end "},
      {"\tshortcut", ""},
      {"&  x", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    char buffer[kvx::MenuTextSize];
    std::strcpy(buffer, c.caption);
    kvx::CleanMenuCaption(buffer);
    EXPECT_STREQ(buffer, c.cleaned);
  }
}

// ---------------------------------------------------------------- menu paths

constexpr UINT ProgramResetCommand = 4711;

struct IdeMenu {
  HWND window;
  HMENU bar;
  HMENU file;
  HMENU run;
  HMENU laterRun;
};

// File | Run (Run, Program reset) | Run (Program reset with another id) | Help
IdeMenu MakeIdeMenu() {
  IdeMenu m{};
  m.window = coretest::MakeWindow("TAppBuilder");
  m.bar = CreateMenu();
  m.file = CreatePopupMenu();
  AppendMenuA(m.file, MF_STRING, 10, "&Open...\tCtrl+O");
  AppendMenuA(m.file, MF_STRING, 11, "E&xit");
  m.run = CreatePopupMenu();
  AppendMenuA(m.run, MF_STRING, 20, "&Run\tF9");
  AppendMenuA(m.run, MF_STRING, ProgramResetCommand, "&Program reset\tCtrl+F2");
  AppendMenuA(m.run, MF_STRING, 22, "Program  reset spaced");
  m.laterRun = CreatePopupMenu();
  AppendMenuA(m.laterRun, MF_STRING, 30, "Step &over");
  AppendMenuA(m.laterRun, MF_STRING, 31, "Evaluate|Modify");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.file), "&File");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.run), "&Run");
  AppendMenuA(m.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m.laterRun), "R&un");
  AppendMenuA(m.bar, MF_STRING, 40, "&Help");
  SetMenu(m.window, m.bar);
  return m;
}

HMENU const Untouched = reinterpret_cast<HMENU>(static_cast<uintptr_t>(0x5A5A));

TEST(FindMenuItemByPath, ResolvesTwoLevelsToTheItemAndItsSubmenu) {
  const IdeMenu m = MakeIdeMenu();
  struct Case {
    const char* path;
    uint32_t id;
  };
  const Case found[] = {
      {"Run|Program reset", ProgramResetCommand},
      {"run|PROGRAM RESET", ProgramResetCommand},
      {"Run|Program reset|Something", ProgramResetCommand},  // a third token is never read
      {"File|Exit", 11},
  };
  for (const Case& c : found) {
    SCOPED_TRACE(c.path);
    HMENU menu = Untouched;
    EXPECT_EQ(kvx::FindMenuItemByPath(m.window, c.path, menu), c.id);
    EXPECT_EQ(menu, c.id == 11 ? m.file : m.run);
  }
}

TEST(FindMenuItemByPath, OneTokenGivesTheBarItemItself) {
  const IdeMenu m = MakeIdeMenu();
  HMENU menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(m.window, "Help", menu), 40u);
  EXPECT_EQ(menu, m.bar);
  menu = Untouched;
  // A drop-down heading has no command id of its own.
  EXPECT_EQ(kvx::FindMenuItemByPath(m.window, "Run", menu), 0xFFFFFFFFu);
  EXPECT_EQ(menu, m.bar);
}

TEST(FindMenuItemByPath, MissesLeaveTheMenuAsTheCallerSetIt) {
  const IdeMenu m = MakeIdeMenu();
  const char* misses[] = {
      "Program reset",           // not on the bar
      "Run|Program  reset spaced",  // cut at the double space to "Program"
      "Run|Step over",           // only the first "Run" bar item is searched
      "Evaluate|Modify",         // no escaping of the separator
      "Tools|Options",
  };
  for (const char* path : misses) {
    SCOPED_TRACE(path);
    HMENU menu = Untouched;
    EXPECT_EQ(kvx::FindMenuItemByPath(m.window, path, menu), 0u);
    EXPECT_EQ(menu, Untouched);
  }
  HMENU menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(nullptr, "Run|Program reset", menu), 0u);
  EXPECT_EQ(menu, Untouched);
}

TEST(FindMenuItemByPath, ADoubleSpaceEndsTheCaption) {
  const IdeMenu m = MakeIdeMenu();
  HMENU menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(m.window, "Run|Program", menu), 22u);
  EXPECT_EQ(menu, m.run);

  const HWND window = coretest::MakeWindow("TSpaced");
  const HMENU bar = CreateMenu();
  const HMENU run = CreatePopupMenu();
  AppendMenuA(run, MF_STRING, 5, "Program  reset");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "Run");
  SetMenu(window, bar);
  menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(window, "Run|Program reset", menu), 0u);
  EXPECT_EQ(menu, Untouched);
}

TEST(FindMenuItemByPath, AWindowWithoutMenuGivesZero) {
  const HWND window = coretest::MakeWindow("TPlain");
  HMENU menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(window, "Run|Program reset", menu), 0u);
  EXPECT_EQ(menu, Untouched);
}

TEST(FindMenuItemByPath, LongCaptionsAreReadSafely) {
  const HWND window = coretest::MakeWindow("TLongMenus");
  const HMENU bar = CreateMenu();
  const HMENU popup = CreatePopupMenu();
  const std::string longCaption(400, 'w');
  AppendMenuA(popup, MF_STRING, 7, longCaption.c_str());
  AppendMenuA(popup, MF_STRING, 8, "Short");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Long");
  SetMenu(window, bar);
  HMENU menu = Untouched;
  EXPECT_EQ(kvx::FindMenuItemByPath(window, "Long|Short", menu), 8u);
  // The long caption is compared by its first 255 characters.
  const std::string path = "Long|" + std::string(255, 'w');
  EXPECT_EQ(kvx::FindMenuItemByPath(window, path.c_str(), menu), 7u);
}

}  // namespace
