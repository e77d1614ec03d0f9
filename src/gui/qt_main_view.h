// The main window's visible state on Qt widgets.
#pragma once

#include <functional>

#include "gui/main_form.h"
#include "platform/main_view.h"

namespace korvex {

// The newest lines the window's log keeps. A run of weeks with host writes
// would otherwise grow it without bound.
inline constexpr int kWindowLogLines = 100000;

class QtMainView : public MainView {
 public:
  // `on_closed` runs once the window has been closed. The log keeps its
  // newest `log_lines` lines (0: all).
  explicit QtMainView(std::function<void()> on_closed, int log_lines = kWindowLogLines);

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
