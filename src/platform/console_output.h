// Standard output as the headless window's face: log lines as they are
// written (a line stays open so appended text and progress dots continue it)
// and message boxes between them.
#pragma once

#include <cstdio>
#include <string>
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
  // Whole lines of their own (a message box); the log line is continued
  // afterwards by printing it again.
  void Block(std::string_view text);

 private:
  void EndOpenLine();

  std::FILE* out_;
  std::string last_line_;
  bool line_open_ = false;
  bool interrupted_ = false;
};

}  // namespace korvex
