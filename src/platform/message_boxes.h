// Modal message boxes. Titles and button captions come from the runtime texts
// of the window that shows them, so they are Czech once it has installed them.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "common/message_button.h"
#include "locale/runtime_texts.h"

namespace korvex {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and returns the button pressed. A CR in `text` breaks the line.
  virtual MessageButton Show(MessageKind kind, std::string_view text,
                             const std::vector<MessageButton>& buttons) = 0;

  // The texts the boxes read from, which outlive that use; the toolkit's
  // English ones when null.
  void UseTexts(const RuntimeTexts* texts) { texts_ = texts; }

 protected:
  std::string_view MessageTitle(MessageKind kind) const { return Texts().MessageTitle(kind); }
  std::string_view MessageButtonCaption(MessageButton button) const {
    return Texts().MessageButtonCaption(button);
  }

 private:
  const RuntimeTexts& Texts() const {
    static const RuntimeTexts english;
    return texts_ ? *texts_ : english;
  }

  const RuntimeTexts* texts_ = nullptr;
};

// What every box of a window toolkit shows and does with its buttons: OK when
// none are asked for; Enter and Escape (or the close box) act as in the
// toolkit the communicator was made with.
struct BoxButtons {
  std::vector<MessageButton> shown;
  MessageButton on_enter;
  MessageButton on_escape;
};

inline BoxButtons ButtonsOfBox(const std::vector<MessageButton>& requested) {
  BoxButtons box{requested.empty() ? std::vector<MessageButton>{MessageButton::kOk} : requested,
                 MessageButton::kOk, MessageButton::kOk};
  // The first of `preferred` that the box has, else its first button.
  const auto pick = [&box](std::initializer_list<MessageButton> preferred) {
    for (MessageButton button : preferred) {
      if (std::ranges::find(box.shown, button) != box.shown.end()) return button;
    }
    return box.shown.front();
  };
  box.on_enter = pick({MessageButton::kOk, MessageButton::kYes});
  box.on_escape = pick({MessageButton::kCancel, MessageButton::kNo, MessageButton::kOk});
  return box;
}

}  // namespace korvex
