// A log that drops every line: benchmarks measure the engine, not its log.
#pragma once

#include <string_view>

#include "platform/log_sink.h"

namespace korvex {

class NoLog : public LogSink {
 public:
  void AddLine(std::string_view) override {}
  void AppendToLastLine(std::string_view) override {}
};

}  // namespace korvex
