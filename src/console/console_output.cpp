#include "console/console_output.h"

namespace korvex {

ConsoleOutput::~ConsoleOutput() {
  EndOpenLine();
}

void ConsoleOutput::EndOpenLine() {
  if (line_open_) std::fputc('\n', out_);
  line_open_ = false;
  std::fflush(out_);
}

void ConsoleOutput::AddLine(std::string_view text) {
  EndOpenLine();
  AppendToLastLine(text);
}

void ConsoleOutput::AppendToLastLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), out_);
  line_open_ = true;
  std::fflush(out_);
}

}  // namespace korvex
