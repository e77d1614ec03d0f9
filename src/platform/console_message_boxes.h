// Message boxes without a display: printed with their Czech title, text and
// buttons, and answered by a policy chosen on the command line.
#pragma once

#include "platform/console_output.h"
#include "platform/message_boxes.h"

namespace korvex {

class ConsoleMessageBoxes : public MessageBoxes {
 public:
  // `answer_yes`: how Yes/No questions are answered.
  ConsoleMessageBoxes(ConsoleOutput& out, bool answer_yes) : out_(out), answer_yes_(answer_yes) {}

  MessageButton Show(MessageKind kind, std::string_view text,
                     const std::vector<MessageButton>& buttons) override;

 private:
  ConsoleOutput& out_;
  bool answer_yes_;
};

}  // namespace korvex
