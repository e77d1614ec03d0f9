#include "console/console_message_boxes.h"

#include <algorithm>

#include "locale/runtime_texts.h"

namespace korvex {
namespace {

bool Has(const std::vector<MessageButton>& buttons, MessageButton button) {
  return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

bool IsQuestion(const std::vector<MessageButton>& buttons) {
  return Has(buttons, MessageButton::kYes) && Has(buttons, MessageButton::kNo);
}

MessageButton Choose(const std::vector<MessageButton>& buttons, bool answer_yes) {
  if (IsQuestion(buttons)) {
    return answer_yes ? MessageButton::kYes : MessageButton::kNo;
  }
  if (Has(buttons, MessageButton::kOk) || buttons.empty()) return MessageButton::kOk;
  return buttons.front();
}

}  // namespace

MessageButton ConsoleMessageBoxes::Show(MessageKind kind, std::string_view text,
                                        const std::vector<MessageButton>& buttons) {
  bool answer_yes = answer_yes_;
  if (!bounded_question_.empty() && text == bounded_question_ && ++bounded_asked_ >= yes_from_) {
    answer_yes = true;
  }
  const MessageButton chosen = Choose(buttons, answer_yes);
  if (loop_ && IsQuestion(buttons)) {
    bool due = false;
    const auto wait =
        loop_->CreateTimer("ConsoleAnswer", answer_delay_ms_, [&due] { due = true; });
    wait->SetEnabled(true);
    while (!due) loop_->HandleMessage();
  }
  std::string box = log_.LineOpen() ? "\n[" : "[";
  box += MessageTitle(kind);
  box += "] ";
  // Nobody types the answer here: the prompt says which one --assume gave.
  constexpr std::string_view prompt = "(A/N): ";
  std::string shown(text);
  if (IsQuestion(buttons) && shown.ends_with(prompt)) {
    shown.resize(shown.size() - prompt.size());
    shown += "(odpověď podle --assume: " +
             WithoutAccelerator(MessageButtonCaption(chosen)) + ")";
  }
  for (char c : shown) box += c == '\r' ? '\n' : c;
  box += "\n  [";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (i > 0) box += "] [";
    box += WithoutAccelerator(MessageButtonCaption(buttons[i]));
  }
  box += "] > " + WithoutAccelerator(MessageButtonCaption(chosen)) + "\n";
  std::fputs(box.c_str(), err_);
  std::fflush(err_);
  return chosen;
}

}  // namespace korvex
