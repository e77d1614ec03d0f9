// Modal message boxes on Qt, with the titles and captions of the runtime
// text table (never Qt's own translations).
#pragma once

#include "platform/message_boxes.h"

class QWidget;

namespace korvex {

class QtMessageBoxes : public MessageBoxes {
 public:
  // Boxes are centred over `owner`, or over the screen without one.
  explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}

  MessageButton Show(MessageKind kind, std::string_view text,
                     const std::vector<MessageButton>& buttons) override;

 private:
  QWidget* owner_;
};

}  // namespace korvex
