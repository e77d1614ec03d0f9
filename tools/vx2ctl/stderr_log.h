// The engine's log on standard error with --verbose, else nothing of it
// (what fails is reported on its own); the progress dots of a waiting
// transaction continue their line.
#pragma once

#include <cstdio>

#include "console/console_output.h"
#include "platform/log_sink.h"

namespace vx2::ctl {

class StderrLog : public korvex::LogSink {
 public:
  explicit StderrLog(bool verbose) : verbose_(verbose) {}
  void AddLine(std::string_view text) override {
    if (verbose_) out_.AddLine(text);
  }
  void AppendToLastLine(std::string_view text) override {
    if (verbose_) out_.AppendToLastLine(text);
  }

 private:
  bool verbose_;
  korvex::ConsoleOutput out_{stderr};
};

}  // namespace vx2::ctl
