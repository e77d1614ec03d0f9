#include "gui/qt_message_boxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>
#include <utility>

#include "gui/utf8_text.h"
#include "locale/runtime_texts.h"

namespace korvex {
namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kError:
      return QMessageBox::Critical;
    case MessageKind::kInformation:
      return QMessageBox::Information;
    case MessageKind::kConfirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole RoleOf(MessageButton button) {
  switch (button) {
    case MessageButton::kYes:
    case MessageButton::kAll:
    case MessageButton::kYesToAll:
      return QMessageBox::YesRole;
    case MessageButton::kNo:
    case MessageButton::kNoToAll:
      return QMessageBox::NoRole;
    case MessageButton::kOk:
    case MessageButton::kRetry:
    case MessageButton::kIgnore:
      return QMessageBox::AcceptRole;
    case MessageButton::kCancel:
    case MessageButton::kAbort:
      return QMessageBox::RejectRole;
    case MessageButton::kHelp:
      return QMessageBox::HelpRole;
  }
  return QMessageBox::AcceptRole;
}

// The first of `preferred` that the box has, else its first button.
MessageButton Pick(const std::vector<MessageButton>& buttons,
                   std::initializer_list<MessageButton> preferred) {
  for (MessageButton button : preferred) {
    if (std::ranges::find(buttons, button) != buttons.end()) return button;
  }
  return buttons.front();
}

}  // namespace

MessageButton QtMessageBoxes::Show(MessageKind kind, std::string_view text,
                                   const std::vector<MessageButton>& requested) {
  const std::vector<MessageButton> buttons =
      requested.empty() ? std::vector<MessageButton>{MessageButton::kOk} : requested;

  QString body = FromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  QMessageBox box(IconOf(kind), FromUtf8(MessageTitle(kind)), body, QMessageBox::NoButton, owner_);
  box.setTextFormat(Qt::PlainText);
  std::vector<std::pair<QPushButton*, MessageButton>> shown;
  for (MessageButton button : buttons) {
    shown.emplace_back(box.addButton(FromUtf8(MessageButtonCaption(button)), RoleOf(button)),
                       button);
  }
  const auto widget_of = [&shown](MessageButton button) {
    return std::find_if(shown.begin(), shown.end(),
                        [button](const auto& s) { return s.second == button; })
        ->first;
  };
  // Enter and Escape act as in the toolkit the communicator was made with.
  const MessageButton on_escape =
      Pick(buttons, {MessageButton::kCancel, MessageButton::kNo, MessageButton::kOk});
  box.setDefaultButton(widget_of(Pick(buttons, {MessageButton::kOk, MessageButton::kYes})));
  box.setEscapeButton(widget_of(on_escape));

  box.exec();
  for (const auto& [widget, button] : shown) {
    if (widget == box.clickedButton()) return button;
  }
  return on_escape;
}

}  // namespace korvex
