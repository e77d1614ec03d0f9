// Message boxes without a display: each box goes to standard error with its
// Czech title, text, buttons and the answer given, which a policy chosen on
// the command line decides.
#pragma once

#include <cstdio>
#include <string>

#include "console/console_output.h"
#include "platform/event_loop.h"
#include "platform/message_boxes.h"

namespace korvex {

class ConsoleMessageBoxes : public MessageBoxes {
 public:
  // `answer_yes`: how Yes/No questions are answered. `log` is the standard
  // output whose open line a box breaks on a shared terminal.
  ConsoleMessageBoxes(const ConsoleOutput& log, std::FILE* err, bool answer_yes)
      : log_(log), err_(err), answer_yes_(answer_yes) {}

  // Unattended, a question answered No may be asked again without end: from
  // its `nth` asking on, `question` is answered Yes whatever the policy.
  void YesFrom(std::string_view question, int nth) {
    bounded_question_ = question;
    yes_from_ = nth;
  }

  // A Yes/No question is answered no sooner than `milliseconds` after it was
  // asked, as a person would, while `loop` goes on dispatching as under a
  // modal box: a question that comes again at once (a controller refusing
  // every attempt) is then asked about once a second, not in a busy loop.
  void AnswerAfter(EventLoop& loop, int milliseconds) {
    loop_ = &loop;
    answer_delay_ms_ = milliseconds;
  }

  MessageButton Show(MessageKind kind, std::string_view text,
                     const std::vector<MessageButton>& buttons) override;

 private:
  const ConsoleOutput& log_;
  std::FILE* err_;
  bool answer_yes_;
  std::string bounded_question_;
  int yes_from_ = 0;
  int bounded_asked_ = 0;
  EventLoop* loop_ = nullptr;
  int answer_delay_ms_ = 0;
};

}  // namespace korvex
