// Standard output as the headless window's log, exactly as the window shows
// it: a line stays open so appended text and progress dots continue it.
#pragma once

#include <cstdio>
#include <string_view>

namespace korvex {

class ConsoleOutput {
 public:
  explicit ConsoleOutput(std::FILE* out = stdout) : out_(out) {}
  ~ConsoleOutput();
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  void AddLine(std::string_view text);
  void AppendToLastLine(std::string_view text);
  // The last line has not been ended yet (more may be appended to it).
  bool LineOpen() const { return line_open_; }

 private:
  void EndOpenLine();

  std::FILE* out_;
  bool line_open_ = false;
};

}  // namespace korvex
