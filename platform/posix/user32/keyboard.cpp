// Keyboard input: the hardware input queue of a thread, the WH_KEYBOARD hook
// chain that sees each keystroke as the thread retrieves it, the thread's
// keyboard state, the focus window and TranslateMessage.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/posix/include/winsub_control.h"
#include "platform/posix/user32/scan_codes.h"
#include "platform/posix/user32/user32_state.h"

namespace winsub::user32 {

namespace {

constexpr DWORD ErrorInvalidHookFilter = 1426;
constexpr DWORD ErrorInvalidFilterProc = 1427;
constexpr UINT VkF10 = 0x79;

struct Hook {
  HOOKPROC proc = nullptr;
  DWORD threadId = 0;  // 0: every thread of the process
};

struct Hooks {
  std::map<uintptr_t, Hook> installed;  // by handle; handles only grow
  uintptr_t nextHandle = 0x20010;
};

Hooks& TheHooks() {
  static auto* hooks = new Hooks;
  return *hooks;
}

// The chain being called on this thread, innermost last, with the position
// of the hook now running, so that CallNextHookEx knows which one is next.
struct ChainFrame {
  std::vector<uintptr_t> chain;
  std::size_t position = 0;
};
thread_local std::vector<ChainFrame> chainFrames;

// Thread hooks run first, newest first; then process-wide ones, newest first.
std::vector<uintptr_t> ChainForThreadLocked(DWORD threadId) {
  std::vector<uintptr_t> own;
  std::vector<uintptr_t> global;
  for (auto& [handle, hook] : TheHooks().installed) {
    if (hook.threadId == threadId) own.push_back(handle);
    if (hook.threadId == 0) global.push_back(handle);
  }
  std::reverse(own.begin(), own.end());
  std::reverse(global.begin(), global.end());
  own.insert(own.end(), global.begin(), global.end());
  return own;
}

// Calls the first hook still installed at or after `from` in the top frame.
LRESULT CallChainFrom(std::size_t from, int code, WPARAM wParam, LPARAM lParam) {
  const std::size_t frameIndex = chainFrames.size() - 1;
  for (std::size_t i = from; i < chainFrames[frameIndex].chain.size(); ++i) {
    HOOKPROC proc = nullptr;
    {
      Lock lock(Mutex());
      const auto& installed = TheHooks().installed;
      const auto it = installed.find(chainFrames[frameIndex].chain[i]);
      if (it == installed.end()) continue;  // removed while the chain runs
      proc = it->second.proc;
    }
    const std::size_t saved = chainFrames[frameIndex].position;
    chainFrames[frameIndex].position = i;
    const LRESULT result = proc(code, wParam, lParam);
    chainFrames[frameIndex].position = saved;
    return result;
  }
  return 0;
}

bool RunKeyboardHooks(int code, WPARAM key, LPARAM keyData) {
  std::vector<uintptr_t> chain;
  {
    Lock lock(Mutex());
    chain = ChainForThreadLocked(GetCurrentThreadId());
  }
  if (chain.empty()) return false;
  chainFrames.push_back(ChainFrame{std::move(chain), 0});
  const LRESULT result = CallChainFrom(0, code, key, keyData);
  chainFrames.pop_back();
  return result != 0;
}

bool IsDown(const std::array<BYTE, 256>& state, UINT key) { return (state[key & 0xFF] & 0x80) != 0; }

UINT GenericKey(UINT key) {
  switch (key) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return key;
  }
}

// The keystroke as a message sees it: generic key code, side key for the
// state, extended flag.
struct Keystroke {
  UINT key = 0;      // wParam of the message
  UINT sideKey = 0;  // the left/right key whose state changes
  bool extended = false;
  bool up = false;
};

Keystroke Describe(const KeyInput& input) {
  Keystroke stroke;
  stroke.key = GenericKey(input.virtualKey);
  stroke.up = input.up;
  stroke.extended =
      input.extended || input.virtualKey == VK_RCONTROL || input.virtualKey == VK_RMENU;
  switch (stroke.key) {
    case VK_SHIFT:
      stroke.sideKey = input.virtualKey == VK_RSHIFT ? VK_RSHIFT : VK_LSHIFT;
      break;
    case VK_CONTROL:
      stroke.sideKey = stroke.extended ? VK_RCONTROL : VK_LCONTROL;
      break;
    case VK_MENU:
      stroke.sideKey = stroke.extended ? VK_RMENU : VK_LMENU;
      break;
    default:
      stroke.sideKey = stroke.key;
      break;
  }
  return stroke;
}

void SetKeyBits(std::array<BYTE, 256>& state, UINT key, bool down) {
  BYTE& entry = state[key & 0xFF];
  // The toggle bit flips when the key goes down, not on repeats.
  if (down && (entry & 0x80) == 0) entry = static_cast<BYTE>(entry ^ 0x01);
  entry = static_cast<BYTE>(down ? (entry | 0x80) : (entry & ~0x80));
}

void SyncGeneric(std::array<BYTE, 256>& state, UINT generic, UINT left, UINT right) {
  SetKeyBits(state, generic, IsDown(state, left) || IsDown(state, right));
}

void ApplyKey(std::array<BYTE, 256>& state, UINT sideKey, bool down) {
  SetKeyBits(state, sideKey, down);
  switch (GenericKey(sideKey)) {
    case VK_SHIFT:
      SyncGeneric(state, VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
      break;
    case VK_CONTROL:
      SyncGeneric(state, VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
      break;
    case VK_MENU:
      SyncGeneric(state, VK_MENU, VK_LMENU, VK_RMENU);
      break;
    default:
      break;
  }
}

// Lock held.
MSG FormMessage(const ThreadQueue& queue, const Keystroke& stroke) {
  const auto& state = queue.keyState;
  const bool altBefore = IsDown(state, VK_MENU);
  const bool ctrlBefore = IsDown(state, VK_CONTROL);
  // Context (bit 29) and WM_SYS* follow Alt as it is once this key counts.
  const bool altAfter = stroke.key == VK_MENU ? !stroke.up : altBefore;
  const bool ctrlAfter = stroke.key == VK_CONTROL ? !stroke.up : ctrlBefore;
  const bool wasDown = stroke.up || IsDown(state, stroke.sideKey);
  UINT message = 0;
  if (!stroke.up) {
    message = ((altAfter && !ctrlAfter) || stroke.key == VkF10) ? WM_SYSKEYDOWN : WM_KEYDOWN;
  } else {
    const bool sys = (altBefore && (stroke.key == VK_MENU || stroke.key == VK_CONTROL || !ctrlBefore)) ||
                     stroke.key == VkF10;
    message = sys ? WM_SYSKEYUP : WM_KEYUP;
  }
  const UINT scan = ScanCode(stroke.sideKey == VK_RSHIFT ? VK_RSHIFT : stroke.key);
  const auto keyData = static_cast<std::uint32_t>(
      1u | (scan & 0xFFu) << 16 | (stroke.extended ? 1u : 0u) << 24 | (altAfter ? 1u : 0u) << 29 |
      (wasDown ? 1u : 0u) << 30 | (stroke.up ? 1u : 0u) << 31);
  MSG msg{};
  msg.hwnd = FindWindowLocked(queue.focus) != nullptr ? queue.focus : nullptr;
  msg.message = message;
  msg.wParam = stroke.key;
  msg.lParam = static_cast<LPARAM>(static_cast<std::int32_t>(keyData));
  msg.time = TickNow();
  return msg;
}

}  // namespace

KeyRetrieval RetrieveKeyInput(ThreadQueue& queue, MSG* out, HWND filter, UINT first, UINT last,
                              bool remove) {
  MSG msg{};
  Keystroke stroke;
  {
    Lock lock(Mutex());
    if (queue.input.empty() || queue.input.front().inHook) return KeyRetrieval::None;
    stroke = Describe(queue.input.front());
    msg = FormMessage(queue, stroke);
    if (!MatchesFilterLocked(msg, filter, first, last)) return KeyRetrieval::None;
    if (remove)
      queue.input.pop_front();
    else
      queue.input.front().inHook = true;  // nested loops in a hook must not take it
  }
  // The hooks see the keyboard state from before this keystroke.
  const bool swallowed =
      RunKeyboardHooks(remove ? HC_ACTION : HC_NOREMOVE, msg.wParam, msg.lParam);
  Lock lock(Mutex());
  if (!remove) {
    queue.input.front().inHook = false;
    if (swallowed) queue.input.pop_front();
  }
  // A removed keystroke counts, also when a hook swallowed it.
  if (remove || swallowed) ApplyKey(queue.keyState, stroke.sideKey, !stroke.up);
  if (swallowed) return KeyRetrieval::Swallowed;
  *out = msg;
  return KeyRetrieval::Message;
}

void DropThreadHooksLocked(DWORD threadId) {
  auto& installed = TheHooks().installed;
  for (auto it = installed.begin(); it != installed.end();)
    it = it->second.threadId == threadId ? installed.erase(it) : std::next(it);
}

}  // namespace winsub::user32

using namespace winsub::user32;

WINSUB_API HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC fn, HINSTANCE module, DWORD threadId) {
  (void)module;
  if (idHook != WH_KEYBOARD) {
    SetLastError(ErrorInvalidHookFilter);
    return nullptr;
  }
  if (fn == nullptr) {
    SetLastError(ErrorInvalidFilterProc);
    return nullptr;
  }
  if (WinsubFaultStrikes(WINSUB_FAULT_SET_HOOK)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Lock lock(Mutex());
  Hooks& hooks = TheHooks();
  const uintptr_t handle = hooks.nextHandle;
  hooks.nextHandle += 4;
  hooks.installed.emplace(handle, Hook{fn, threadId});
  return reinterpret_cast<HHOOK>(handle);
}

WINSUB_API BOOL WINAPI UnhookWindowsHookEx(HHOOK hook) {
  if (WinsubFaultStrikes(WINSUB_FAULT_UNHOOK)) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  Lock lock(Mutex());
  if (TheHooks().installed.erase(reinterpret_cast<uintptr_t>(hook)) == 0) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  return TRUE;
}

WINSUB_API LRESULT WINAPI CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  (void)hook;  // the chain position is the thread's own, as on Windows
  if (chainFrames.empty()) return 0;
  return CallChainFrom(chainFrames.back().position + 1, code, wParam, lParam);
}

WINSUB_API BOOL WINAPI GetKeyboardState(PBYTE keyState) {
  if (keyState == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  std::memcpy(keyState, queue->keyState.data(), queue->keyState.size());
  return TRUE;
}

WINSUB_API BOOL WINAPI TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  const UINT message = msg->message;
  if (message == WM_KEYUP || message == WM_SYSKEYUP) return TRUE;
  if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return FALSE;
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  const auto& state = queue->keyState;
  const bool shift = IsDown(state, VK_SHIFT);
  const bool ctrl = IsDown(state, VK_CONTROL) && !IsDown(state, VK_MENU);
  const UINT key = static_cast<UINT>(msg->wParam);
  int character = -1;
  if (key >= 'A' && key <= 'Z') {
    const bool upper = shift != ((state[VK_CAPITAL] & 0x01) != 0);
    if (ctrl)
      character = static_cast<int>(key - 'A' + 1);
    else
      character = static_cast<int>(upper ? key : key - 'A' + 'a');
  } else if (key >= '0' && key <= '9' && !ctrl) {
    static const char shifted[] = ")!@#$%^&*(";
    character = shift ? shifted[key - '0'] : static_cast<int>(key);
  } else if (key == VK_SPACE) {
    character = ' ';
  } else if (key == VK_RETURN) {
    character = ctrl ? '\n' : '\r';
  }
  if (character < 0) return TRUE;
  MSG typed = *msg;
  typed.message = message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  typed.wParam = static_cast<WPARAM>(character);
  queue->posted.push_back(typed);
  queue->Wake();
  return TRUE;
}

WINSUB_API BOOL WinsubQueueKey(UINT virtualKey, BOOL keyUp, BOOL extended) {
  if (virtualKey == 0 || virtualKey > 0xFE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  queue->input.push_back(KeyInput{virtualKey, keyUp != 0, extended != 0, false});
  queue->Wake();
  return TRUE;
}

WINSUB_API void WinsubSetKeyDown(UINT virtualKey, BOOL down) {
  if (virtualKey == 0 || virtualKey > 0xFE) return;
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  auto& state = queue->keyState;
  const bool isDown = down != 0;
  auto setDownBit = [&](UINT key, bool value) {
    state[key] = static_cast<BYTE>(value ? (state[key] | 0x80) : (state[key] & ~0x80));
  };
  UINT side = virtualKey;
  if (virtualKey == VK_SHIFT) side = VK_LSHIFT;
  if (virtualKey == VK_CONTROL) side = VK_LCONTROL;
  if (virtualKey == VK_MENU) side = VK_LMENU;
  setDownBit(side, isDown);
  switch (GenericKey(side)) {
    case VK_SHIFT:
      setDownBit(VK_SHIFT, IsDown(state, VK_LSHIFT) || IsDown(state, VK_RSHIFT));
      break;
    case VK_CONTROL:
      setDownBit(VK_CONTROL, IsDown(state, VK_LCONTROL) || IsDown(state, VK_RCONTROL));
      break;
    case VK_MENU:
      setDownBit(VK_MENU, IsDown(state, VK_LMENU) || IsDown(state, VK_RMENU));
      break;
    default:
      break;
  }
}

WINSUB_API HWND WinsubSetFocus(HWND window) {
  auto queue = CurrentQueue();
  HWND previous = nullptr;
  {
    Lock lock(Mutex());
    if (window != nullptr) {
      Window* found = FindWindowLocked(window);
      if (found == nullptr || found->threadId != queue->threadId) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
    }
    previous = FindWindowLocked(queue->focus) != nullptr ? queue->focus : nullptr;
    queue->focus = window;
  }
  if (previous == window) return previous;
  if (previous != nullptr) CallWindowProcedure(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window != nullptr) CallWindowProcedure(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

WINSUB_API HWND WinsubGetFocus(void) {
  auto queue = CurrentQueue();
  Lock lock(Mutex());
  return FindWindowLocked(queue->focus) != nullptr ? queue->focus : nullptr;
}
