// The link statistics for the operator: answers to the host's "STATS|" and
// lines in the log file, every ten minutes and at the close.
#include <string>

#include "shell/korvex_window.h"

namespace korvex {

void TDlgKORVEX::QueueStatisticsAnswers() {
  // Requests that come faster than the answers leave get the newest figures
  // once, not a copy each: what waits stays bounded.
  FreeTexts(statistics_answers_);
  for (const std::string& text : StatisticsTexts(Statistics, kMaxTextLength)) {
    PushText(statistics_answers_, text);
  }
  TimerStatsAnswer->SetEnabled(true);
}

// The host is still inside its send of "STATS|" when the request is taken; the
// answers follow once it has returned.
void TDlgKORVEX::TimerStatsAnswerTimer() {
  TimerStatsAnswer->SetEnabled(false);
  while (!statistics_answers_.empty()) {
    const std::string text = statistics_answers_.front();
    PopText(statistics_answers_);
    SendAnswer(text);
  }
}

void TDlgKORVEX::WriteStatisticsToFile() {
  if (!file_log_) return;
  for (std::string text : StatisticsTexts(Statistics, kMaxTextLength)) {
    text.pop_back();  // the "|" belongs to the channel
    file_log_->FileLine(text);
  }
}

}  // namespace korvex
