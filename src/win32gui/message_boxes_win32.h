// Modal message boxes on Win32: a small dialog of our own, since a stock
// MessageBox titles itself and names its buttons in the system's language.
// Titles and captions come from the runtime text table.
#pragma once

#include <windows.h>

#include "platform/message_boxes.h"

namespace korvex {

class Win32MessageBoxes : public MessageBoxes {
 public:
  // Boxes are owned by, and centred over, `owner`; over the screen without one.
  explicit Win32MessageBoxes(HWND owner = nullptr) : owner_(owner) {}

  MessageButton Show(MessageKind kind, std::string_view text,
                     const std::vector<MessageButton>& buttons) override;

 private:
  HWND owner_;
};

}  // namespace korvex
