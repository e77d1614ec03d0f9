#include "gui/qt_main_view.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include "gui/utf8_text.h"

namespace korvex {

QtMainView::QtMainView(std::function<void()> on_closed, int log_lines)
    : on_closed_(std::move(on_closed)) {
  // The document drops its oldest lines itself.
  form_.Memo1->setMaximumBlockCount(log_lines);
}

void QtMainView::AddLine(std::string_view text) {
  QTextCursor cursor(form_.Memo1->document());
  cursor.movePosition(QTextCursor::End);
  if (log_has_lines_) cursor.insertBlock();
  cursor.insertText(FromUtf8(text));
  log_has_lines_ = true;
  ShowNewestLine();
}

void QtMainView::AppendToLastLine(std::string_view text) {
  QTextCursor cursor(form_.Memo1->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(FromUtf8(text));
  log_has_lines_ = true;
  ShowNewestLine();
}

void QtMainView::ShowNewestLine() {
  // The caret goes to the end; the scroll bar to its end too, as the caret
  // alone may leave the last line half hidden.
  form_.Memo1->moveCursor(QTextCursor::End);
  QScrollBar* bar = form_.Memo1->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void QtMainView::ClearLog() {
  form_.Memo1->clear();
  log_has_lines_ = false;
}

void QtMainView::SetVersionText(std::string_view text) {
  form_.SetVersionText(FromUtf8(text));
}

void QtMainView::SetLampBusy(bool busy) {
  form_.icom->setPixmap((busy ? form_.icom1 : form_.icom0)->pixmap());
}

void QtMainView::SetProgress(int position) {
  form_.Bar1->setValue(position);
}

void QtMainView::SetProgressMaximum(int maximum) {
  form_.Bar1->setRange(0, maximum);
}

void QtMainView::SetRequestText(std::string_view text) {
  form_.Edit1->setText(FromUtf8(text));
}

void QtMainView::SetAnswerText(std::string_view text) {
  form_.Edit2->setText(FromUtf8(text));
}

void QtMainView::SetCanButtonsEnabled(bool enabled) {
  form_.CAN0->setEnabled(enabled);
  form_.CAN1->setEnabled(enabled);
}

void QtMainView::MoveTo(int left, int top) {
  form_.move(left, top);
}

void QtMainView::CloseWindow() {
  form_.AllowClose();
  form_.close();
  if (on_closed_) on_closed_();
}

}  // namespace korvex
