// A file of timestamped lines, as the log file's writer sees it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace korvex {

class LineFile {
 public:
  virtual ~LineFile() = default;
  // Queues `text` as one line stamped with `when`.
  virtual void WriteLine(std::chrono::system_clock::time_point when, std::string_view text) = 0;
  // Why the file cannot be written now, empty while it can. The file keeps
  // trying; a full disk that has room again is written on.
  virtual std::string Problem() const = 0;
};

}  // namespace korvex
