// Menus: process-wide objects, as on Windows, so any thread may read the
// menu of another thread's window.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/posix/user32/text_copy.h"
#include "platform/posix/user32/user32_state.h"

namespace winsub::user32 {

namespace {

constexpr UINT ItemNotFound = 0xFFFFFFFFu;
constexpr UINT StateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE;

struct MenuItem {
  UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_OWNERDRAW and the state bits
  UINT_PTR id = 0;
  HMENU submenu = nullptr;
  std::string text;
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
};

struct Menus {
  std::unordered_map<uintptr_t, Menu> menus;
  uintptr_t nextHandle = 0x30010;
};

Menus& TheMenus() {
  static auto* menus = new Menus;
  return *menus;
}

Menu* FindMenuLocked(HMENU menu) {
  auto& menus = TheMenus().menus;
  const auto it = menus.find(reinterpret_cast<uintptr_t>(menu));
  return it == menus.end() ? nullptr : &it->second;
}

HMENU NewMenu(bool popup) {
  Lock lock(Mutex());
  Menus& menus = TheMenus();
  const uintptr_t handle = menus.nextHandle;
  menus.nextHandle += 4;
  menus.menus[handle].popup = popup;
  return reinterpret_cast<HMENU>(handle);
}

// By command: depth first in position order; a submenu is searched before
// its own popup item is taken as the match. Lock held; depth guards cycles.
MenuItem* FindByCommandLocked(HMENU menu, UINT command, int depth = 0) {
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr || depth > 32) return nullptr;
  MenuItem* fallback = nullptr;
  for (auto& item : found->items) {
    if ((item.flags & MF_POPUP) != 0) {
      if (MenuItem* inner = FindByCommandLocked(item.submenu, command, depth + 1)) return inner;
      if (fallback == nullptr && static_cast<UINT>(item.id) == command) fallback = &item;
    } else if (static_cast<UINT>(item.id) == command) {
      return &item;
    }
  }
  return fallback;
}

MenuItem* FindItemLocked(HMENU menu, UINT item, UINT flags) {
  if ((flags & MF_BYPOSITION) == 0) return FindByCommandLocked(menu, item);
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr || item >= found->items.size()) return nullptr;
  return &found->items[item];
}

void CollectTree(HMENU menu, std::vector<HMENU>& out) {
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr || std::find(out.begin(), out.end(), menu) != out.end()) return;
  out.push_back(menu);
  for (auto& item : found->items)
    if ((item.flags & MF_POPUP) != 0) CollectTree(item.submenu, out);
}

}  // namespace

void DestroyMenuTree(HMENU menu) {
  Lock lock(Mutex());
  std::vector<HMENU> tree;
  CollectTree(menu, tree);
  for (HMENU each : tree) TheMenus().menus.erase(reinterpret_cast<uintptr_t>(each));
}

}  // namespace winsub::user32

using namespace winsub::user32;

WINSUB_API HMENU WINAPI CreateMenu(void) { return NewMenu(false); }
WINSUB_API HMENU WINAPI CreatePopupMenu(void) { return NewMenu(true); }

WINSUB_API BOOL WINAPI DestroyMenu(HMENU menu) {
  {
    Lock lock(Mutex());
    if (FindMenuLocked(menu) == nullptr) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
  }
  // Its submenus go with it.
  DestroyMenuTree(menu);
  return TRUE;
}

WINSUB_API BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem) {
  Lock lock(Mutex());
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuItem item;
  item.flags = flags & (StateFlags | MF_POPUP | MF_SEPARATOR | MF_OWNERDRAW);
  item.id = idNewItem;
  if ((flags & MF_POPUP) != 0) {
    item.submenu = reinterpret_cast<HMENU>(idNewItem);
    if (FindMenuLocked(item.submenu) == nullptr || item.submenu == menu) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
  }
  if ((flags & MF_SEPARATOR) != 0) {
    // A separator reads as grayed and disabled.
    item.flags |= MF_GRAYED | MF_DISABLED;
  } else if ((flags & MF_OWNERDRAW) == 0 && newItem != nullptr) {
    item.text = newItem;
  }
  found->items.push_back(std::move(item));
  return TRUE;
}

WINSUB_API BOOL WINAPI SetMenu(HWND window, HMENU menu) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!IsTopLevel(*found)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (menu != nullptr && FindMenuLocked(menu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  found->menu = menu;
  return TRUE;
}

WINSUB_API HMENU WINAPI GetMenu(HWND window) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!IsTopLevel(*found) || FindMenuLocked(found->menu) == nullptr) return nullptr;
  return found->menu;
}

WINSUB_API BOOL WINAPI EnableMenuItem(HMENU menu, UINT idEnableItem, UINT enable) {
  Lock lock(Mutex());
  if (FindMenuLocked(menu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  MenuItem* item = FindItemLocked(menu, idEnableItem, enable);
  if (item == nullptr) return -1;
  const UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
  item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return static_cast<BOOL>(previous);
}

WINSUB_API int WINAPI GetMenuItemCount(HMENU menu) {
  Lock lock(Mutex());
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(found->items.size());
}

WINSUB_API int WINAPI GetMenuStringA(HMENU menu, UINT idItem, LPSTR string, int maxCount,
                                     UINT flags) {
  Lock lock(Mutex());
  if (FindMenuLocked(menu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return 0;
  }
  MenuItem* item = FindItemLocked(menu, idItem, flags);
  const std::string empty;
  const std::string& text =
      (item == nullptr || (item->flags & MF_SEPARATOR) != 0) ? empty : item->text;
  if (string == nullptr || maxCount <= 0) return static_cast<int>(text.size());
  return CopyTextTruncated(text, string, maxCount);
}

WINSUB_API HMENU WINAPI GetSubMenu(HMENU menu, int pos) {
  Lock lock(Mutex());
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr || pos < 0 || static_cast<std::size_t>(pos) >= found->items.size())
    return nullptr;
  const MenuItem& item = found->items[static_cast<std::size_t>(pos)];
  return (item.flags & MF_POPUP) != 0 ? item.submenu : nullptr;
}

WINSUB_API UINT WINAPI GetMenuItemID(HMENU menu, int pos) {
  Lock lock(Mutex());
  Menu* found = FindMenuLocked(menu);
  if (found == nullptr || pos < 0 || static_cast<std::size_t>(pos) >= found->items.size())
    return ItemNotFound;
  const MenuItem& item = found->items[static_cast<std::size_t>(pos)];
  if ((item.flags & MF_POPUP) != 0) return ItemNotFound;
  return static_cast<UINT>(item.id);
}

WINSUB_API UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags) {
  Lock lock(Mutex());
  if (FindMenuLocked(menu) == nullptr) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return ItemNotFound;
  }
  MenuItem* item = FindItemLocked(menu, id, flags);
  if (item == nullptr) return ItemNotFound;
  if ((item->flags & MF_POPUP) != 0) {
    // A popup item carries its submenu's item count in the high byte.
    const Menu* submenu = FindMenuLocked(item->submenu);
    const UINT count = submenu != nullptr ? static_cast<UINT>(submenu->items.size()) : 0;
    return (count << 8) | (item->flags & 0xFF);
  }
  return item->flags;
}
