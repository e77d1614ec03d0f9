// The window's log, copied into the log file. Every line the view shows goes
// to the file once it is complete: a line that a later text extends ("Nahrávání
// projektu..." and then "OK.") is written when the next line begins, or at
// the end, stamped with the time it began. The frame trace and the statistics
// go to the file alone.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logfile/line_file.h"
#include "platform/main_view.h"

namespace korvex {

class LoggedView : public MainView {
 public:
  // `file` may be null: the file could not be had, and `unopened` is the
  // line that says why.
  LoggedView(MainView& view, LineFile* file, std::string_view path, std::string unopened);
  // Writes the line still open.
  ~LoggedView() override;
  LoggedView(const LoggedView&) = delete;
  LoggedView& operator=(const LoggedView&) = delete;

  // LogSink
  void AddLine(std::string_view text) override;
  void AppendToLastLine(std::string_view text) override;
  // MainView
  void ClearLog() override;
  void SetVersionText(std::string_view text) override { view_.SetVersionText(text); }
  void SetLampBusy(bool busy) override { view_.SetLampBusy(busy); }
  void SetProgress(int position) override { view_.SetProgress(position); }
  void SetProgressMaximum(int maximum) override { view_.SetProgressMaximum(maximum); }
  void SetRequestText(std::string_view text) override { view_.SetRequestText(text); }
  void SetAnswerText(std::string_view text) override { view_.SetAnswerText(text); }
  void SetCanButtonsEnabled(bool enabled) override { view_.SetCanButtonsEnabled(enabled); }
  void MoveTo(int left, int top) override { view_.MoveTo(left, top); }
  void CloseWindow() override { view_.CloseWindow(); }
  void FileLine(std::string_view text) override;

 private:
  struct OpenLine {
    std::chrono::system_clock::time_point began;
    std::string text;
  };
  void Write(std::chrono::system_clock::time_point when, std::string_view text);
  void WriteOpenLine();
  // A file that stops or starts taking lines again is told once each time.
  void NoticeFileState();

  MainView& view_;
  LineFile* file_;
  std::string path_;
  // Told in the window once, before its next line, so that they never split
  // a line and the text that completes it.
  std::vector<std::string> notices_;
  unsigned stops_told_ = 0;
  bool failing_ = false;
  std::optional<OpenLine> open_;
};

}  // namespace korvex
