// Modal message boxes. Titles and button captions come from the runtime text
// table, so they are Czech once it is installed.
#pragma once

#include <string_view>
#include <vector>

#include "common/message_button.h"

namespace korvex {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and returns the button pressed. A CR in `text` breaks the line.
  virtual MessageButton Show(MessageKind kind, std::string_view text,
                             const std::vector<MessageButton>& buttons) = 0;
};

}  // namespace korvex
