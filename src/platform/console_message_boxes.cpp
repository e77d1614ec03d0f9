#include "platform/console_message_boxes.h"

#include <algorithm>
#include <string>

#include "locale/runtime_texts.h"

namespace korvex {
namespace {

bool Has(const std::vector<MessageButton>& buttons, MessageButton button) {
  return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

MessageButton Choose(const std::vector<MessageButton>& buttons, bool answer_yes) {
  if (Has(buttons, MessageButton::kYes) && Has(buttons, MessageButton::kNo)) {
    return answer_yes ? MessageButton::kYes : MessageButton::kNo;
  }
  if (Has(buttons, MessageButton::kOk) || buttons.empty()) return MessageButton::kOk;
  return buttons.front();
}

}  // namespace

MessageButton ConsoleMessageBoxes::Show(MessageKind kind, std::string_view text,
                                        const std::vector<MessageButton>& buttons) {
  const MessageButton chosen = Choose(buttons, answer_yes_);
  std::string box = "[";
  box += MessageTitle(kind);
  box += "] ";
  for (char c : text) box += c == '\r' ? '\n' : c;
  box += "\n  [";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (i > 0) box += "] [";
    box += WithoutAccelerator(MessageButtonCaption(buttons[i]));
  }
  box += "] > " + WithoutAccelerator(MessageButtonCaption(chosen));
  out_.Block(box);
  return chosen;
}

}  // namespace korvex
