#include "console/console_output.h"

#include "console/standard_output.h"

namespace korvex {

ConsoleOutput::~ConsoleOutput() {
  EndOpenLine();
}

void ConsoleOutput::EndOpenLine() {
  if (line_open_) WriteAndFlush(out_, "\n");
  line_open_ = false;
}

void ConsoleOutput::AddLine(std::string_view text) {
  EndOpenLine();
  AppendToLastLine(text);
}

void ConsoleOutput::AppendToLastLine(std::string_view text) {
  WriteAndFlush(out_, text);
  line_open_ = true;
}

}  // namespace korvex
