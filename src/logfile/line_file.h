// A file of timestamped lines, as the log file's writer sees it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace korvex {

class LineFile {
 public:
  virtual ~LineFile() = default;
  // Writes `text` as one line stamped with `when`. False once the file has
  // failed; the reason is then Problem().
  virtual bool WriteLine(std::chrono::system_clock::time_point when, std::string_view text) = 0;
  virtual std::string Problem() const = 0;
};

}  // namespace korvex
