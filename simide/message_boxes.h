// Plays the user in front of message boxes: answers each box from a queue of
// prepared answers (the box's default button when the queue is empty) and
// records every box shown.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/include/winsub_control.h"

namespace simide {

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT style;
  int answer;
  bool prepared;  // false: the default button answered
};

class MessageBoxes {
 public:
  using Log = std::function<void(const MessageBoxRecord&)>;

  MessageBoxes();  // installs itself as the process's responder
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;
  ~MessageBoxes();

  void QueueAnswer(int answer) { answers_.push_back(answer); }
  std::size_t PendingAnswers() const { return answers_.size(); }
  const std::vector<MessageBoxRecord>& Shown() const { return shown_; }
  void SetLog(Log log) { log_ = std::move(log); }

  // The button a box of this style answers when Enter is pressed.
  static int DefaultAnswer(UINT style);

 private:
  static int Respond(void* context, HWND owner, const char* text, const char* caption, UINT type);

  std::deque<int> answers_;
  std::vector<MessageBoxRecord> shown_;
  Log log_;
};

}  // namespace simide
