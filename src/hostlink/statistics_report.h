// The link statistics for the operator: answers to the host's "STATS|" and
// lines in the log file, every ten minutes and at the close.
#pragma once

#include "hostlink/host_channel.h"
#include "hostlink/text_list.h"
#include "platform/event_loop.h"
#include "platform/log_sink.h"
#include "protocol/link_statistics.h"

namespace korvex {

// Answers to "STATS|" follow soon after the host's send has returned and,
// while further requests keep coming, once a pause.
inline constexpr int kStatsAnswerInterval = 1;
inline constexpr int kStatsAnswerPause = 100;

class StatisticsReport {
 public:
  // `answer_timer` sends the queued answers at its tick; it starts at
  // kStatsAnswerInterval.
  StatisticsReport(const LinkStatistics& statistics, HostChannel& channel, Timer& answer_timer);

  // The log file for the periodic lines; none when null.
  void UseFile(LogSink* file) { file_ = file; }
  bool HasFile() const { return file_ != nullptr; }

  void QueueAnswers();
  void SendQueuedAnswers();
  void WriteToFile();
  void DropQueuedAnswers() { FreeTexts(answers_); }

 private:
  const LinkStatistics& statistics_;
  HostChannel& channel_;
  Timer& answer_timer_;
  LogSink* file_ = nullptr;
  TTextList answers_;
};

}  // namespace korvex
