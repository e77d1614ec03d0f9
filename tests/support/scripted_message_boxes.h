// Message boxes answered from a script, remembering what was shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace korvex {

class ScriptedMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    MessageKind kind;
    std::string text;
    std::vector<MessageButton> buttons;
    std::string title;  // in the texts the window gave the boxes
  };

  MessageButton Show(MessageKind kind, std::string_view text,
                     const std::vector<MessageButton>& buttons) override {
    shown.push_back({kind, std::string(text), buttons, std::string(MessageTitle(kind))});
    if (answers.empty()) return buttons.empty() ? MessageButton::kOk : buttons.front();
    const MessageButton answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<MessageButton> answers;
  std::vector<Shown> shown;
};

}  // namespace korvex
