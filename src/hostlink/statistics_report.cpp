#include "hostlink/statistics_report.h"

#include <string>

namespace korvex {

StatisticsReport::StatisticsReport(const LinkStatistics& statistics, HostChannel& channel,
                                   Timer& answer_timer)
    : statistics_(statistics), channel_(channel), answer_timer_(answer_timer) {}

void StatisticsReport::QueueAnswers() {
  // Requests that come faster than the answers leave get the newest figures
  // once, not a copy each: what waits stays bounded.
  FreeTexts(answers_);
  for (const std::string& text : StatisticsTexts(statistics_, kMaxTextLength)) {
    PushText(answers_, text);
  }
  answer_timer_.SetEnabled(true);
}

// The host is still inside its send of "STATS|" when the request is taken; the
// answers follow once it has returned. Requests that come while answers are
// sent are answered a pause later, and so on while they keep coming: a flood
// of them costs the loop one round of answers per pause, and the RUN loop
// keeps its pace.
void StatisticsReport::SendQueuedAnswers() {
  if (answers_.empty()) {
    answer_timer_.SetEnabled(false);
    answer_timer_.SetInterval(kStatsAnswerInterval);
    return;
  }
  answer_timer_.SetInterval(kStatsAnswerPause);
  const TTextList answers = std::move(answers_);
  answers_.clear();
  for (const std::string& text : answers) channel_.SendAnswer(text);
}

void StatisticsReport::WriteToFile() {
  if (!file_) return;
  for (std::string text : StatisticsTexts(statistics_, kMaxTextLength)) {
    text.pop_back();  // the "|" belongs to the channel
    file_->FileLine(text);
  }
}

}  // namespace korvex
