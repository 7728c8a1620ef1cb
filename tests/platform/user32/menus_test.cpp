// Menus: lookup by command across submenus, states, texts, and the -1 cases.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

constexpr UINT Missing = 0xFFFFFFFFu;
const HMENU BadMenu = reinterpret_cast<HMENU>(0x5555);

// Bar: &File (Open 101, separator, Exit 102 grayed) | &Run (Reset 201,
// Deep (Inner 301)) | Help 401 | Again (Open 101 enabled).
struct MenuBar {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU run = CreatePopupMenu();
  HMENU deep = CreatePopupMenu();
  HMENU again = CreatePopupMenu();
  MenuBar() {
    AppendMenuA(file, MF_STRING, 101, "&Open\tCtrl+O");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING | MF_GRAYED, 102, "E&xit");
    AppendMenuA(deep, MF_STRING, 301, "Inner");
    AppendMenuA(run, MF_STRING, 201, "&Program Reset\tCtrl+F2");
    AppendMenuA(run, MF_POPUP, reinterpret_cast<UINT_PTR>(deep), "Deep");
    AppendMenuA(again, MF_STRING, 101, "Open again");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
    AppendMenuA(bar, MF_STRING, 401, "Help");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(again), "Again");
  }
};

TEST(Menus, StateByCommandSearchesSubmenusDepthFirst) {
  MenuBar menus;
  EXPECT_EQ(EnableMenuItem(menus.bar, 101, MF_BYCOMMAND | MF_DISABLED), MF_ENABLED);
  struct Case {
    HMENU menu;
    UINT id;
    UINT expected;
  };
  const Case cases[] = {
      {menus.bar, 101, MF_DISABLED},  // the File copy, found before the later popup's
      {menus.again, 101, MF_ENABLED},
      {menus.bar, 102, MF_GRAYED},
      {menus.bar, 201, MF_ENABLED},
      {menus.bar, 301, MF_ENABLED},  // two levels down
      {menus.bar, 401, MF_ENABLED},
      {menus.file, 201, Missing},
      {menus.bar, 999, Missing},
      {BadMenu, 101, Missing},
      {nullptr, 101, Missing},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetMenuState(c.menu, c.id, MF_BYCOMMAND), c.expected) << c.id;

  EXPECT_EQ(EnableMenuItem(menus.bar, 301, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(menus.bar, 301, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(menus.bar, 301, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED), MF_GRAYED);
  EXPECT_EQ(GetMenuState(menus.deep, 301, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(EnableMenuItem(menus.bar, 301, MF_ENABLED), MF_GRAYED | MF_DISABLED);
  EXPECT_EQ(GetMenuState(menus.bar, 301, MF_BYCOMMAND), static_cast<UINT>(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(menus.bar, 999, MF_GRAYED), -1);
  EXPECT_EQ(EnableMenuItem(BadMenu, 101, MF_GRAYED), -1);
}

TEST(Menus, StateAndIdsByPosition) {
  MenuBar menus;
  // A popup item: its submenu's item count in the high byte.
  EXPECT_EQ(GetMenuState(menus.bar, 0, MF_BYPOSITION), (3u << 8) | MF_POPUP);
  EXPECT_EQ(EnableMenuItem(menus.bar, 1, MF_BYPOSITION | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(menus.bar, 1, MF_BYPOSITION), (2u << 8) | MF_POPUP | MF_GRAYED);
  EXPECT_EQ(GetMenuState(menus.file, 2, MF_BYPOSITION), static_cast<UINT>(MF_GRAYED));
  EXPECT_NE(GetMenuState(menus.file, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
  EXPECT_EQ(GetMenuState(menus.file, 3, MF_BYPOSITION), Missing);
  EXPECT_EQ(EnableMenuItem(menus.file, 7, MF_BYPOSITION | MF_GRAYED), -1);

  struct Case {
    HMENU menu;
    int pos;
    UINT id;
  };
  const Case ids[] = {{menus.file, 0, 101}, {menus.file, 1, 0},      {menus.file, 2, 102},
                      {menus.file, 3, Missing}, {menus.file, -1, Missing}, {menus.bar, 0, Missing},
                      {menus.bar, 2, 401},  {BadMenu, 0, Missing}};
  for (const auto& c : ids) EXPECT_EQ(GetMenuItemID(c.menu, c.pos), c.id) << c.pos;

  EXPECT_EQ(GetSubMenu(menus.bar, 1), menus.run);
  EXPECT_EQ(GetSubMenu(menus.run, 1), menus.deep);
  EXPECT_EQ(GetSubMenu(menus.bar, 2), nullptr);
  EXPECT_EQ(GetSubMenu(menus.bar, 9), nullptr);
  EXPECT_EQ(GetMenuItemCount(menus.bar), 4);
  EXPECT_EQ(GetMenuItemCount(menus.deep), 1);
  EXPECT_EQ(GetMenuItemCount(BadMenu), -1);
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);
}

TEST(Menus, MenuStringIsTruncatedAndAlwaysTerminated) {
  MenuBar menus;
  const std::string full = "&Open\tCtrl+O";  // 12 characters
  struct Case {
    int count;
    int expected;
    std::string text;
  };
  const Case cases[] = {{1, 0, ""},   {2, 1, "&"},  {6, 5, "&Open"},
                        {12, 11, full.substr(0, 11)}, {13, 12, full}, {100, 12, full}};
  for (const auto& c : cases) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetMenuStringA(menus.file, 0, buffer, c.count, MF_BYPOSITION), c.expected)
        << c.count;
    EXPECT_EQ(std::string(buffer), c.text) << c.count;
    EXPECT_EQ(buffer[c.count], '#') << c.count;
  }
  char buffer[64] = "";
  EXPECT_EQ(GetMenuStringA(menus.file, 0, nullptr, 10, MF_BYPOSITION), 12);
  EXPECT_EQ(GetMenuStringA(menus.file, 0, buffer, 0, MF_BYPOSITION), 12);
  EXPECT_EQ(GetMenuStringA(menus.bar, 201, buffer, sizeof buffer, MF_BYCOMMAND), 22);
  EXPECT_STREQ(buffer, "&Program Reset\tCtrl+F2");
  EXPECT_EQ(GetMenuStringA(menus.bar, 1, buffer, sizeof buffer, MF_BYPOSITION), 4);
  EXPECT_STREQ(buffer, "&Run");
  EXPECT_EQ(GetMenuStringA(menus.file, 1, buffer, sizeof buffer, MF_BYPOSITION), 0);  // separator
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(GetMenuStringA(menus.file, 9, buffer, sizeof buffer, MF_BYPOSITION), 0);
  EXPECT_EQ(GetMenuStringA(menus.bar, 999, buffer, sizeof buffer, MF_BYCOMMAND), 0);
  EXPECT_EQ(GetMenuStringA(BadMenu, 0, buffer, sizeof buffer, MF_BYPOSITION), 0);
}

TEST(Menus, WindowMenusAndDestruction) {
  MenuBar menus;
  HWND window = MakeWindow();
  EXPECT_EQ(GetMenu(window), nullptr);
  EXPECT_EQ(GetMenu(nullptr), nullptr);
  EXPECT_TRUE(SetMenu(window, menus.bar));
  EXPECT_EQ(GetMenu(window), menus.bar);
  EXPECT_FALSE(SetMenu(window, BadMenu));
  EXPECT_FALSE(AppendMenuA(BadMenu, MF_STRING, 1, "x"));
  EXPECT_FALSE(AppendMenuA(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(BadMenu), "x"));

  // Destroying a menu takes its submenus along.
  HMENU spare = CreateMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuA(spare, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  EXPECT_TRUE(DestroyMenu(spare));
  EXPECT_EQ(GetMenuItemCount(sub), -1);
  EXPECT_FALSE(DestroyMenu(spare));

  // The window's menu bar goes with the window.
  DestroyWindow(window);
  EXPECT_EQ(GetMenuItemCount(menus.bar), -1);
  EXPECT_EQ(GetMenuItemCount(menus.deep), -1);
}

}  // namespace
