#include "simide/message_boxes.h"

namespace simide {

MessageBoxes::MessageBoxes() { WinsubSetMessageBoxResponder(&MessageBoxes::Respond, this); }

MessageBoxes::~MessageBoxes() { WinsubSetMessageBoxResponder(nullptr, nullptr); }

int MessageBoxes::DefaultAnswer(UINT style) {
  const bool second = (style & MB_DEFBUTTON2) != 0;
  switch (style & 0x0F) {
    case MB_OKCANCEL: return second ? IDCANCEL : IDOK;
    case MB_YESNO: return second ? IDNO : IDYES;
    default: return IDOK;
  }
}

int MessageBoxes::Respond(void* context, HWND owner, const char* text, const char* caption,
                          UINT type) {
  auto* self = static_cast<MessageBoxes*>(context);
  MessageBoxRecord box{owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type,
                       DefaultAnswer(type), false};
  if (!self->answers_.empty()) {
    box.answer = self->answers_.front();
    box.prepared = true;
    self->answers_.pop_front();
  }
  self->shown_.push_back(box);
  if (self->log_) self->log_(box);
  return box.answer;
}

}  // namespace simide
