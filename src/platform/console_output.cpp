#include "platform/console_output.h"

namespace korvex {

ConsoleOutput::~ConsoleOutput() { EndOpenLine(); }

void ConsoleOutput::EndOpenLine() {
  if (line_open_) std::fputc('\n', out_);
  line_open_ = false;
  std::fflush(out_);
}

void ConsoleOutput::AddLine(std::string_view text) {
  EndOpenLine();
  last_line_.assign(text);
  interrupted_ = false;
  std::fwrite(text.data(), 1, text.size(), out_);
  line_open_ = true;
  std::fflush(out_);
}

void ConsoleOutput::AppendToLastLine(std::string_view text) {
  if (interrupted_) {
    last_line_ += text;
    AddLine(std::string(last_line_));
    return;
  }
  last_line_ += text;
  std::fwrite(text.data(), 1, text.size(), out_);
  line_open_ = true;
  std::fflush(out_);
}

void ConsoleOutput::Block(std::string_view text) {
  EndOpenLine();
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
  interrupted_ = true;
}

}  // namespace korvex
