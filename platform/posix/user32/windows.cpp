// Window classes and windows. Handles are never reused, so a stale handle
// stays invalid for the life of the process.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include <unistd.h>

#include "platform/posix/user32/text_copy.h"
#include "platform/posix/user32/user32_state.h"

namespace winsub::user32 {

namespace {

constexpr DWORD ErrorTopLevelWithChildStyle = 1406;
constexpr int GwlStyle = -16;
constexpr int GwlExStyle = -20;
constexpr std::size_t ClassNameLimit = 256;

// Windows' CREATESTRUCTA layout, handed with WM_CREATE.
struct CreateStruct {
  LPVOID createParams;
  HINSTANCE instance;
  HMENU menu;
  HWND parent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR name;
  LPCSTR className;
  DWORD exStyle;
};

struct Tables {
  std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
  std::vector<std::shared_ptr<WindowClass>> classes;
  uintptr_t nextHandle = 0x10010;
  std::uint64_t nextSerial = 1;
  ATOM nextAtom = 0xC000;
};

Tables& TheTables() {
  static auto* tables = new Tables;
  return *tables;
}

bool SameName(const std::string& a, const char* b) {
  const std::size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Class names may be given as an atom in the low word of the pointer.
bool IsAtomName(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name) {
  for (auto& windowClass : TheTables().classes) {
    if (IsAtomName(name) ? windowClass->atom == reinterpret_cast<uintptr_t>(name)
                         : SameName(windowClass->name, name))
      return windowClass;
  }
  return nullptr;
}

std::vector<HWND> ChildrenLocked(HWND parent) {
  std::vector<std::pair<std::uint64_t, HWND>> found;
  for (auto& [key, window] : TheTables().windows)
    if (window->parent == parent && parent != nullptr) found.emplace_back(window->serial, window->handle);
  std::sort(found.begin(), found.end());
  std::vector<HWND> handles;
  for (auto& entry : found) handles.push_back(entry.second);
  return handles;
}

void SendDestroy(HWND window) {
  CallWindowProcedure(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    Lock lock(Mutex());
    children = ChildrenLocked(window);
    for (HWND child : children)
      if (Window* found = FindWindowLocked(child)) found->destroying = true;
  }
  for (HWND child : children) SendDestroy(child);
}

void FinishDestroy(HWND window) {
  std::vector<HWND> children;
  {
    Lock lock(Mutex());
    children = ChildrenLocked(window);
  }
  for (HWND child : children) FinishDestroy(child);
  CallWindowProcedure(window, WM_NCDESTROY, 0, 0);
  HMENU menu = nullptr;
  {
    Lock lock(Mutex());
    auto& windows = TheTables().windows;
    const auto it = windows.find(reinterpret_cast<uintptr_t>(window));
    if (it == windows.end()) return;
    if (IsTopLevel(*it->second)) menu = it->second->menu;
    if (auto queue = FindQueueLocked(it->second->threadId); queue && queue->focus == window)
      queue->focus = nullptr;
    windows.erase(it);
  }
  // A window's menu bar goes with it.
  if (menu != nullptr) DestroyMenuTree(menu);
}

}  // namespace

Window* FindWindowLocked(HWND window) {
  if (window == nullptr) return nullptr;
  auto& windows = TheTables().windows;
  const auto it = windows.find(reinterpret_cast<uintptr_t>(window));
  return it == windows.end() ? nullptr : it->second.get();
}

bool IsTopLevel(const Window& window) { return window.parent == nullptr; }

std::vector<HWND> ThreadTopLevelWindowsLocked(DWORD threadId) {
  std::vector<std::pair<std::uint64_t, HWND>> found;
  for (auto& [key, window] : TheTables().windows)
    if (IsTopLevel(*window) && (threadId == 0 || window->threadId == threadId))
      found.emplace_back(window->serial, window->handle);
  // Newest on top: an owned window is always newer than its owner.
  std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first > b.first; });
  std::vector<HWND> handles;
  for (auto& entry : found) handles.push_back(entry.second);
  return handles;
}

bool IsAncestorLocked(HWND ancestor, HWND window) {
  Window* current = FindWindowLocked(window);
  while (current != nullptr && current->parent != nullptr) {
    if (current->parent == ancestor) return true;
    current = FindWindowLocked(current->parent);
  }
  return false;
}

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    Lock lock(Mutex());
    Window* found = FindWindowLocked(window);
    if (found == nullptr) return 0;
    proc = found->proc;
  }
  return proc == nullptr ? 0 : proc(window, message, wParam, lParam);
}

void DropThreadWindowsLocked(DWORD threadId) {
  auto& windows = TheTables().windows;
  for (auto it = windows.begin(); it != windows.end();) {
    if (it->second->threadId == threadId) {
      it = windows.erase(it);
    } else {
      if (Window* owner = FindWindowLocked(it->second->owner);
          owner != nullptr && owner->threadId == threadId)
        it->second->owner = nullptr;
      ++it;
    }
  }
}

}  // namespace winsub::user32

using namespace winsub::user32;

WINSUB_API ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
  if (wndClass == nullptr || wndClass->lpszClassName == nullptr ||
      IsAtomName(wndClass->lpszClassName) || wndClass->lpszClassName[0] == '\0' ||
      std::strlen(wndClass->lpszClassName) > ClassNameLimit || wndClass->cbWndExtra < 0 ||
      wndClass->cbWndExtra > 40 * 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Lock lock(Mutex());
  if (FindClassLocked(wndClass->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  Tables& tables = TheTables();
  if (tables.nextAtom == 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  auto windowClass = std::make_shared<WindowClass>();
  windowClass->name = wndClass->lpszClassName;
  windowClass->proc = wndClass->lpfnWndProc;
  windowClass->style = wndClass->style;
  windowClass->windowExtra = wndClass->cbWndExtra;
  windowClass->instance = wndClass->hInstance;
  windowClass->atom = tables.nextAtom++;
  tables.classes.push_back(windowClass);
  return windowClass->atom;
}

WINSUB_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                       DWORD style, int x, int y, int width, int height,
                                       HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (className == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  auto queue = CurrentQueue();
  HWND handle = nullptr;
  {
    Lock lock(Mutex());
    auto windowClass = FindClassLocked(className);
    if (!windowClass) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    Window* parentWindow = nullptr;
    if (parent != nullptr) {
      parentWindow = FindWindowLocked(parent);
      if (parentWindow == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
    } else if (child) {
      SetLastError(ErrorTopLevelWithChildStyle);
      return nullptr;
    }
    Tables& tables = TheTables();
    auto window = std::make_unique<Window>();
    handle = reinterpret_cast<HWND>(tables.nextHandle);
    tables.nextHandle += 4;
    window->handle = handle;
    window->windowClass = windowClass;
    window->title = windowName != nullptr ? windowName : "";
    window->threadId = queue->threadId;
    window->style = style;
    window->exStyle = exStyle;
    window->proc = windowClass->proc;
    window->instance = instance;
    window->extra.assign(static_cast<std::size_t>(windowClass->windowExtra), 0);
    window->serial = tables.nextSerial++;
    if (child) {
      window->parent = parent;
      window->id = static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(menu));
    } else {
      // For a top-level window the parent argument names its owner, and the
      // owner is always a top-level window.
      while (parentWindow != nullptr && parentWindow->parent != nullptr)
        parentWindow = FindWindowLocked(parentWindow->parent);
      window->owner = parentWindow != nullptr ? parentWindow->handle : nullptr;
      window->menu = menu;
    }
    tables.windows.emplace(reinterpret_cast<uintptr_t>(handle), std::move(window));
  }
  CreateStruct create{param,  instance, menu, parent,           height,    width,
                      y,      x,        static_cast<LONG>(style), windowName, className, exStyle};
  if (CallWindowProcedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  {
    Lock lock(Mutex());
    if (FindWindowLocked(handle) == nullptr) return nullptr;  // destroyed during WM_CREATE
  }
  return handle;
}

WINSUB_API BOOL WINAPI DestroyWindow(HWND window) {
  std::vector<HWND> ownedHere;
  {
    Lock lock(Mutex());
    Window* found = FindWindowLocked(window);
    if (found == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (found->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (found->destroying) return TRUE;
    found->destroying = true;
    // Owned windows go first; those of other threads merely lose their owner.
    for (HWND candidate : ThreadTopLevelWindowsLocked(0)) {
      Window* owned = FindWindowLocked(candidate);
      if (owned == nullptr || owned->owner != window) continue;
      if (owned->threadId == found->threadId)
        ownedHere.push_back(candidate);
      else
        owned->owner = nullptr;
    }
  }
  for (HWND owned : ownedHere) DestroyWindow(owned);
  SendDestroy(window);
  FinishDestroy(window);
  return TRUE;
}

WINSUB_API BOOL WINAPI IsWindow(HWND window) {
  Lock lock(Mutex());
  return FindWindowLocked(window) != nullptr ? TRUE : FALSE;
}

WINSUB_API LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSCOMMAND:
      // The low four bits are the system's own.
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

WINSUB_API LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(found->proc);
    case GWLP_USERDATA:
      return found->userData;
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(found->instance);
    case GWLP_ID:
      return found->id;
    case GwlStyle:
      return static_cast<LONG_PTR>(found->style);
    case GwlExStyle:
      return static_cast<LONG_PTR>(found->exStyle);
    default:
      break;
  }
  if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= found->extra.size()) {
    LONG_PTR value = 0;
    std::memcpy(&value, found->extra.data() + index, sizeof value);
    return value;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

WINSUB_API LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR newValue) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR previous = 0;
  switch (index) {
    case GWLP_WNDPROC:
      previous = reinterpret_cast<LONG_PTR>(found->proc);
      found->proc = reinterpret_cast<WNDPROC>(newValue);
      return previous;
    case GWLP_USERDATA:
      previous = found->userData;
      found->userData = newValue;
      return previous;
    case GWLP_HINSTANCE:
      previous = reinterpret_cast<LONG_PTR>(found->instance);
      found->instance = reinterpret_cast<HINSTANCE>(newValue);
      return previous;
    case GWLP_ID:
      previous = found->id;
      found->id = newValue;
      return previous;
    case GwlStyle:
      previous = static_cast<LONG_PTR>(found->style);
      found->style = static_cast<DWORD>(newValue);
      return previous;
    case GwlExStyle:
      previous = static_cast<LONG_PTR>(found->exStyle);
      found->exStyle = static_cast<DWORD>(newValue);
      return previous;
    default:
      break;
  }
  if (index >= 0 && static_cast<std::size_t>(index) + sizeof(LONG_PTR) <= found->extra.size()) {
    std::memcpy(&previous, found->extra.data() + index, sizeof previous);
    std::memcpy(found->extra.data() + index, &newValue, sizeof newValue);
    return previous;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

WINSUB_API LRESULT WINAPI CallWindowProcA(WNDPROC prevWndFunc, HWND window, UINT message,
                                          WPARAM wParam, LPARAM lParam) {
  if (prevWndFunc == nullptr) return 0;
  return prevWndFunc(window, message, wParam, lParam);
}

WINSUB_API BOOL WINAPI EnumThreadWindows(DWORD threadId, WNDENUMPROC enumFunc, LPARAM lParam) {
  if (enumFunc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<HWND> windows;
  {
    Lock lock(Mutex());
    if (threadId == 0) return FALSE;
    windows = ThreadTopLevelWindowsLocked(threadId);
  }
  if (windows.empty()) return FALSE;
  for (HWND window : windows) {
    {
      Lock lock(Mutex());
      if (FindWindowLocked(window) == nullptr) continue;  // destroyed by an earlier callback
    }
    if (!enumFunc(window, lParam)) return FALSE;
  }
  return TRUE;
}

WINSUB_API int WINAPI GetClassNameA(HWND window, LPSTR className, int maxCount) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (className == nullptr || maxCount <= 0) return 0;
  return CopyTextTruncated(found->windowClass->name, className, maxCount);
}

WINSUB_API DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  Lock lock(Mutex());
  Window* found = FindWindowLocked(window);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = static_cast<DWORD>(getpid());
  return found->threadId;
}
