// Message boxes: the modal loop keeps dispatching, the responder plays the
// user, and without one the default button answers.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/platform/user32/user32_fixture.h"

using namespace user32test;

namespace {

struct Script {
  int asked = 0;
  int answerOnAsk = 1;  // answer on this ask (1-based); 0 before it
  int answer = IDYES;
  std::size_t dispatchedAtFirstAsk = 0;
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  HWND postAtAsk = nullptr;  // posts WM_USER + 9 here on the first ask
};

int Respond(void* context, HWND owner, const char* text, const char* caption, UINT type) {
  auto* script = static_cast<Script*>(context);
  if (++script->asked == 1) {
    script->dispatchedAtFirstAsk = ReceivedInRange(WM_USER, WM_USER + 9).size();
    script->owner = owner;
    script->text = text;
    script->caption = caption;
    script->type = type;
    if (script->postAtAsk != nullptr) PostMessageA(script->postAtAsk, WM_USER + 9, 0, 0);
  }
  return script->asked >= script->answerOnAsk ? script->answer : 0;
}

class MessageBox : public testing::Test {
 protected:
  void SetUp() override {
    DrainQueue();
    ClearReceived();
  }
  void TearDown() override { WinsubSetMessageBoxResponder(nullptr, nullptr); }
};

TEST_F(MessageBox, DispatchesPendingMessagesBeforeAskingAndPassesItsArguments) {
  HWND owner = MakeWindow();
  const UINT registered = RegisterWindowMessageA("KVX_Test_Posted");
  PostMessageA(owner, WM_USER, 0, 0);
  PostMessageA(owner, WM_USER + 1, 0, 0);
  PostMessageA(owner, registered, 0, 0);
  Script script;
  WinsubSetMessageBoxResponder(Respond, &script);
  EXPECT_EQ(MessageBoxA(owner, "Overwrite?", "WARNING", MB_YESNO | MB_ICONEXCLAMATION), IDYES);
  EXPECT_EQ(script.asked, 1);
  EXPECT_EQ(script.dispatchedAtFirstAsk, 2u);
  EXPECT_EQ(ReceivedInRange(registered, registered).size(), 1u);
  EXPECT_EQ(script.owner, owner);
  EXPECT_EQ(script.text, "Overwrite?");
  EXPECT_EQ(script.caption, "WARNING");
  EXPECT_EQ(script.type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
}

TEST_F(MessageBox, NotYetKeepsTheBoxUpAndDispatchingUntilAnswered) {
  HWND owner = MakeWindow();
  Script script;
  script.answerOnAsk = 4;
  script.answer = IDNO;
  script.postAtAsk = owner;  // arrives while the box is up
  WinsubSetMessageBoxResponder(Respond, &script);
  const DWORD self = GetCurrentThreadId();
  PostThreadMessageA(self, WM_USER + 2, 0, 0);  // a thread message: lost in the box
  std::thread later([owner] { PostMessageA(owner, WM_USER + 3, 0, 0); });
  later.join();
  EXPECT_EQ(MessageBoxA(owner, "text", "caption", MB_YESNO), IDNO);
  EXPECT_EQ(script.asked, 4);
  EXPECT_EQ(ReceivedInRange(WM_USER + 9, WM_USER + 9).size(), 1u);
  EXPECT_EQ(ReceivedInRange(WM_USER + 3, WM_USER + 3).size(), 1u);
  MSG msg{};
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageBox, MessagesSentFromOtherThreadsRunInsideTheBox) {
  HWND owner = MakeWindow();
  const DWORD self = GetCurrentThreadId();
  std::atomic<bool> activated{false};
  // Answered once the other thread's WinsubActivateApp has returned, which
  // it can only do after the box's loop delivered every WM_ACTIVATEAPP.
  WinsubSetMessageBoxResponder(
      [](void* raw, HWND, const char*, const char*, UINT) {
        return static_cast<std::atomic<bool>*>(raw)->load() ? IDOK : 0;
      },
      &activated);
  std::thread other([self, &activated] {
    WinsubActivateApp(self, TRUE, 0);
    activated = true;
  });
  EXPECT_EQ(MessageBoxA(owner, "t", "c", MB_OK), IDOK);
  other.join();
  const auto seen = ReceivedInRange(WM_ACTIVATEAPP, WM_ACTIVATEAPP);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().window, owner);  // the newest window comes first
  EXPECT_EQ(seen.front().threadId, self);
}

TEST_F(MessageBox, WithoutResponderTheDefaultButtonAnswers) {
  struct Case {
    UINT type;
    int expected;
  };
  const Case cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_DEFBUTTON2, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {0x30, IDOK},
      {0x34, IDYES},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SYSTEMMODAL, IDNO},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Keyboard Hook not Freed", "WARNING", c.type), c.expected)
        << c.type;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WARNING: Keyboard Hook not Freed\n");
  }
}

TEST_F(MessageBox, QuitClosesTheBoxAndStaysQueued) {
  Script script;
  script.answerOnAsk = 1000000;
  WinsubSetMessageBoxResponder(Respond, &script);
  PostQuitMessage(5);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), 0);
  MSG msg{};
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 5u);
}

TEST_F(MessageBox, BeepsAreCounted) {
  const unsigned before = WinsubBeepCount();
  EXPECT_TRUE(MessageBeep(0));
  EXPECT_TRUE(MessageBeep(0xFFFFFFFFu));
  EXPECT_EQ(WinsubBeepCount(), before + 2);
}

}  // namespace
