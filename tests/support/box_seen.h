// What a message box showed the user, whatever its toolkit, and the answer
// it gave.
#pragma once

#include <string>
#include <vector>

#include "common/message_button.h"

namespace korvex {

// Texts in UTF-8 with '\n' line breaks; the icon by the name Qt gives it
// (Information, Warning, Critical, Question); buttons left to right.
struct BoxSeen {
  std::string title, text, icon;
  std::vector<std::string> buttons;
  std::string default_button;
  MessageButton answer = MessageButton::kOk;
};

}  // namespace korvex
