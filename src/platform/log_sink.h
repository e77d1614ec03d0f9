// Where log lines go: the window's event log and, where there is one, the
// operator's log file behind it.
#pragma once

#include <string_view>

namespace korvex {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // Adds `text` as a new last line and shows the newest line.
  virtual void AddLine(std::string_view text) = 0;
  // Extends the last line by `text` (starts a line when the log is empty).
  virtual void AppendToLastLine(std::string_view text) = 0;
  // A line for the log file alone, never the window: the frame trace and
  // the statistics. A sink without a file has nowhere to keep it.
  virtual void FileLine(std::string_view /*text*/) {}
};

}  // namespace korvex
