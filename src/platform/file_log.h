// Lines for the operator's log file alone, never the window: the frame trace
// and the statistics. The file stamps each line with the time.
#pragma once

#include <string_view>

namespace korvex {

class FileLog {
 public:
  virtual ~FileLog() = default;
  virtual void FileLine(std::string_view text) = 0;
};

}  // namespace korvex
