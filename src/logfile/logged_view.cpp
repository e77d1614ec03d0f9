#include "logfile/logged_view.h"

namespace korvex {
namespace {

using Clock = std::chrono::system_clock;

}  // namespace

LoggedView::LoggedView(MainView& view, LineFile* file, std::string_view path,
                       std::string unopened)
    : view_(view), file_(file), path_(path), notice_(file ? "" : std::move(unopened)) {}

LoggedView::~LoggedView() {
  WriteOpenLine();
}

void LoggedView::AddLine(std::string_view text) {
  WriteOpenLine();
  NoticeFileState();
  if (!notice_.empty()) {
    view_.AddLine(notice_);
    notice_.clear();
  }
  open_ = OpenLine{Clock::now(), std::string(text)};
  view_.AddLine(text);
}

void LoggedView::AppendToLastLine(std::string_view text) {
  // The view starts a line when it has none; so does the file.
  if (open_) {
    open_->text += text;
  } else {
    open_ = OpenLine{Clock::now(), std::string(text)};
  }
  view_.AppendToLastLine(text);
}

void LoggedView::ClearLog() {
  // The window forgets its lines; the file keeps them.
  WriteOpenLine();
  view_.ClearLog();
}

void LoggedView::FileLine(std::string_view text) {
  Write(Clock::now(), text);
}

void LoggedView::WriteOpenLine() {
  if (!open_) return;
  Write(open_->began, open_->text);
  open_.reset();
}

void LoggedView::Write(Clock::time_point when, std::string_view text) {
  if (file_) file_->WriteLine(when, text);
}

void LoggedView::NoticeFileState() {
  if (!file_) return;
  const std::string problem = file_->Problem();
  const bool failing = !problem.empty();
  if (failing == failing_) return;
  failing_ = failing;
  notice_ = failing_ ? "Do souboru záznamu " + path_ + " nelze zapisovat (" + problem +
                           "); komunikátor to zkouší dál."
                     : "Do souboru záznamu " + path_ + " se opět zapisuje.";
}

}  // namespace korvex
