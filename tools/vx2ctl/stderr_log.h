// The engine's log on standard error; the progress dots of a waiting
// transaction continue their line.
#pragma once

#include <cstdio>

#include "console/console_output.h"
#include "platform/log_sink.h"

namespace vx2::ctl {

class StderrLog : public korvex::LogSink {
 public:
  void AddLine(std::string_view text) override { out_.AddLine(text); }
  void AppendToLastLine(std::string_view text) override { out_.AppendToLastLine(text); }

 private:
  korvex::ConsoleOutput out_{stderr};
};

}  // namespace vx2::ctl
