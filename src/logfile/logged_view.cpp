#include "logfile/logged_view.h"

namespace korvex {
namespace {

using Clock = std::chrono::system_clock;

}  // namespace

LoggedView::LoggedView(MainView& view, LineFile* file, std::string_view path, std::string unopened)
    : view_(view), file_(file), path_(path) {
  if (!file_) notices_.push_back(std::move(unopened));
}

LoggedView::~LoggedView() {
  WriteOpenLine();
}

void LoggedView::AddLine(std::string_view text) {
  WriteOpenLine();
  NoticeFileState();
  for (const std::string& notice : notices_) view_.AddLine(notice);
  notices_.clear();
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
  // A stop that ended before the next line is told all the same.
  const LineFile::State state = file_->Now();
  if (state.stops != stops_told_) {
    stops_told_ = state.stops;
    failing_ = true;
    notices_.push_back("Do souboru záznamu " + path_ + " nelze zapisovat (" + state.last_problem +
                       "); komunikátor to zkouší dál.");
  }
  if (failing_ && state.writing) {
    failing_ = false;
    notices_.push_back("Do souboru záznamu " + path_ + " se opět zapisuje.");
  }
}

}  // namespace korvex
