// The host's request texts: "QQ_RD", "QQ_RS", "QQ_WR" and "CLOSE" with their
// two-digit hex fields, and "STATS", which asks for the link statistics.
// Reading a request is pure; RequestInterpreter applies it.
#pragma once

#include <string>
#include <string_view>

#include "hostlink/link_window.h"
#include "hostlink/statistics_report.h"
#include "hostlink/text_list.h"
#include "protocol/link_statistics.h"

namespace korvex {

enum class RequestKind { kNone, kRead, kReadSeries, kWrite, kClose, kStats };

struct HostRequest {
  RequestKind kind = RequestKind::kNone;
  // The field values, one byte each: the item code for reads, the code and
  // four value bytes for a write.
  std::string fields;
};

// `text` is the whole request as received, its last character the "|".
// Anything malformed gives kNone.
HostRequest InterpretRequest(std::string_view text);

class RequestInterpreter {
 public:
  RequestInterpreter(LinkWindow& window, LinkStatistics& statistics, StatisticsReport& report);

  // Turns the first text of `list` into queue entries, a close request or
  // statistics answers, and removes it.
  void HandleRequest(TTextList& list);

 private:
  // A read, a read of a series or a write becomes its queue entries.
  void QueueTransactions(const HostRequest& request);

  LinkWindow& window_;
  LinkStatistics& statistics_;
  StatisticsReport& report_;
};

}  // namespace korvex
