// Window classes and windows: subclassing, enumeration, class names,
// destruction, the default procedure.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

// Each test starts with an empty queue, also when all run in one process.
class Windows : public testing::Test {
 protected:
  void SetUp() override {
    DrainQueue();
    ClearReceived();
  }
};


std::string trail;
WNDPROC savedFirst = nullptr;
WNDPROC savedSecond = nullptr;

LRESULT CALLBACK BaseProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) {
    trail += "base;";
    return 100;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
LRESULT CALLBACK FirstSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) trail += "first;";
  return CallWindowProcA(savedFirst, window, message, wParam, lParam) + 1;
}
LRESULT CALLBACK SecondSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) trail += "second;";
  return CallWindowProcA(savedSecond, window, message, wParam, lParam) + 10;
}

TEST_F(Windows, SubclassingChainsThroughCallWindowProc) {
  HWND window = MakeWindow(BaseProc);
  savedFirst = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FirstSubclass)));
  savedSecond = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SecondSubclass)));
  EXPECT_EQ(savedFirst, BaseProc);
  EXPECT_EQ(savedSecond, FirstSubclass);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(SecondSubclass));

  trail.clear();
  EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 111);
  EXPECT_EQ(trail, "second;first;base;");
  // Posted and dispatched: the same chain.
  trail.clear();
  PostMessageA(window, WM_USER, 0, 0);
  DrainQueue();
  EXPECT_EQ(trail, "second;first;base;");

  // Restoring in reverse order leaves the class procedure alone.
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedSecond));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedFirst));
  trail.clear();
  EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 100);
  EXPECT_EQ(trail, "base;");

  EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, 77), 0);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 77);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrA(window, 4000), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(GetWindowLongPtrA(reinterpret_cast<HWND>(0x123), GWLP_WNDPROC), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

struct Enumerated {
  std::vector<HWND> windows;
  std::size_t stopAfter = 0;  // 0: never stop
};

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
  auto* out = reinterpret_cast<Enumerated*>(lParam);
  out->windows.push_back(window);
  return out->stopAfter == 0 || out->windows.size() < out->stopAfter;
}

TEST_F(Windows, EnumThreadWindowsNewestFirstOwnedAboveOwnerAndStops) {
  MakeWindow();  // this thread's window is not the fresh thread's
  OnFreshThread([] {
    HWND owner = MakeWindow();
    HWND plain = MakeWindow();
    HWND owned = MakeWindow(RecordingProc, owner);
    HWND child = MakeWindow(RecordingProc, owner, WS_CHILD);
    HWND newest = MakeWindow();
    ASSERT_NE(child, nullptr);
    Enumerated all;
    EXPECT_TRUE(EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&all)));
    EXPECT_EQ(all.windows, (std::vector<HWND>{newest, owned, plain, owner}));

    for (std::size_t stop = 1; stop <= 4; ++stop) {
      Enumerated some;
      some.stopAfter = stop;
      const BOOL result =
          EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&some));
      // The callback's FALSE ends the enumeration, also on the last window.
      EXPECT_EQ(some.windows.size(), stop);
      EXPECT_EQ(result, FALSE) << stop;
    }

    Enumerated none;
    std::thread empty([&none] {
      none.windows.clear();
      EXPECT_FALSE(EnumThreadWindows(GetCurrentThreadId(), Collect,
                                     reinterpret_cast<LPARAM>(&none)));
    });
    empty.join();
    EXPECT_TRUE(none.windows.empty());
  });
}

TEST_F(Windows, GetClassNameCopiesAtMostCountMinusOne) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "SomeClass";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowExA(0, "someCLASS", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(window, nullptr);
  struct Case {
    int count;
    int expected;
    const char* text;
  };
  const Case cases[] = {{1, 0, ""}, {2, 1, "S"}, {4, 3, "Som"}, {9, 8, "SomeClas"},
                        {10, 9, "SomeClass"}, {64, 9, "SomeClass"}};
  for (const auto& c : cases) {
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetClassNameA(window, buffer, c.count), c.expected) << c.count;
    EXPECT_STREQ(buffer, c.text) << c.count;
    EXPECT_EQ(buffer[c.count], '#') << c.count;  // nothing written past the count
  }
  char untouched = '#';
  EXPECT_EQ(GetClassNameA(window, &untouched, 0), 0);
  EXPECT_EQ(untouched, '#');
  EXPECT_EQ(GetClassNameA(reinterpret_cast<HWND>(0x999), &untouched, 1), 0);

  // Names compare without case; 256 characters is the longest name.
  EXPECT_EQ(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  const std::string longest(256, 'L');
  windowClass.lpszClassName = longest.c_str();
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND longWindow = CreateWindowExA(0, longest.c_str(), "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr);
  char big[300];
  EXPECT_EQ(GetClassNameA(longWindow, big, sizeof big), 256);
  const std::string tooLong(257, 'M');
  windowClass.lpszClassName = tooLong.c_str();
  EXPECT_EQ(RegisterClassA(&windowClass), 0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

std::vector<std::pair<HWND, UINT>> destroyLog;
LRESULT CALLBACK DestroyLogging(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY || message == WM_NCDESTROY || message == WM_CLOSE) {
    EXPECT_TRUE(IsWindow(window));  // still valid while it is told
    destroyLog.emplace_back(window, message);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(Windows, DestroyWindowTakesOwnedWindowsFirst) {
  HWND owner = MakeWindow(DestroyLogging);
  HWND owned = MakeWindow(DestroyLogging, owner);
  HWND child = MakeWindow(DestroyLogging, owner, WS_CHILD);
  destroyLog.clear();
  EXPECT_TRUE(DestroyWindow(owner));
  const std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {owner, WM_DESTROY},
      {child, WM_DESTROY}, {child, WM_NCDESTROY}, {owner, WM_NCDESTROY}};
  EXPECT_EQ(destroyLog, expected);
  for (HWND each : {owner, owned, child}) EXPECT_FALSE(IsWindow(each));
  EXPECT_FALSE(DestroyWindow(owner));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, OnlyTheOwningThreadDestroysAndHandlesAreNeverReused) {
  HWND window = MakeWindow();
  std::thread other([window] {
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    DWORD process = 0;
    EXPECT_NE(GetWindowThreadProcessId(window, &process), GetCurrentThreadId());
    EXPECT_NE(process, 0u);
  });
  other.join();
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

  const std::string name = RegisterFreshClass(DefWindowProcA);
  std::set<HWND> seen{window};
  for (int i = 0; i < 200; ++i) {
    HWND made = CreateWindowExA(0, name.c_str(), "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(seen.insert(made).second);
    DestroyWindow(made);
  }
}

TEST_F(Windows, DefaultProcedureClosesOnCloseAndOnCloseCommand) {
  struct Case {
    WPARAM command;
    bool closes;
  };
  const Case cases[] = {{SC_CLOSE, true}, {SC_CLOSE | 0x3, true}, {0xF020 /* minimize */, false}};
  for (const auto& c : cases) {
    HWND window = MakeWindow(DestroyLogging);
    destroyLog.clear();
    SendMessageA(window, WM_SYSCOMMAND, c.command, 0);
    EXPECT_EQ(IsWindow(window) == FALSE, c.closes) << c.command;
    EXPECT_EQ(!destroyLog.empty() && destroyLog.front().second == WM_CLOSE, c.closes);
  }
  HWND window = MakeWindow(DestroyLogging);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
