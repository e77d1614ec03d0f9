// The main window without a display: the log goes to standard output, the
// rest of the window's state is kept but not shown.
#pragma once

#include <functional>

#include "console/console_output.h"
#include "platform/main_view.h"

namespace korvex {

class ConsoleView : public MainView {
 public:
  ConsoleView(ConsoleOutput& out, std::function<void()> on_closed)
      : out_(out), on_closed_(std::move(on_closed)) {}

  void AddLine(std::string_view text) override { out_.AddLine(text); }
  void AppendToLastLine(std::string_view text) override { out_.AppendToLastLine(text); }
  void ClearLog() override {}
  void SetVersionText(std::string_view) override {}
  void SetLampBusy(bool) override {}
  void SetProgress(int) override {}
  void SetProgressMaximum(int) override {}
  void SetRequestText(std::string_view) override {}
  void SetAnswerText(std::string_view) override {}
  void SetCanButtonsEnabled(bool) override {}
  void MoveTo(int, int) override {}
  void CloseWindow() override { on_closed_(); }

 private:
  ConsoleOutput& out_;
  std::function<void()> on_closed_;
};

}  // namespace korvex
