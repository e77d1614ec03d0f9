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
  // The file keeps trying when the system refuses a write; a full disk that
  // has room again is written on.
  struct State {
    unsigned stops = 0;  // times writing has stopped so far
    std::string last_problem;
    bool writing = true;
  };
  virtual State Now() const = 0;
};

}  // namespace korvex
