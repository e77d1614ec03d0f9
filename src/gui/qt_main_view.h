// The main window's visible state on Qt widgets.
#pragma once

#include <functional>

#include "gui/main_form.h"
#include "platform/main_view.h"

namespace korvex {

class QtMainView : public MainView {
 public:
  // `on_closed` runs once the window has been closed.
  explicit QtMainView(std::function<void()> on_closed);

  void SetEvents(MainViewEvents& events) { form_.SetEvents(&events); }
  MainForm& Form() { return form_; }

  void AddLine(std::string_view text) override;
  void AppendToLastLine(std::string_view text) override;
  void ClearLog() override;
  void SetVersionText(std::string_view text) override;
  void SetLampBusy(bool busy) override;
  void SetProgress(int position) override;
  void SetProgressMaximum(int maximum) override;
  void SetRequestText(std::string_view text) override;
  void SetAnswerText(std::string_view text) override;
  void SetCanButtonsEnabled(bool enabled) override;
  void MoveTo(int left, int top) override;
  void CloseWindow() override;

 private:
  void ShowNewestLine();

  MainForm form_;
  std::function<void()> on_closed_;
  // An empty memo and a memo of one empty line look alike to the widget.
  bool log_has_lines_ = false;
};

}  // namespace korvex
