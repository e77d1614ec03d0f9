#include "gui/qt_message_boxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
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

}  // namespace

MessageButton QtMessageBoxes::Show(MessageKind kind, std::string_view text,
                                   const std::vector<MessageButton>& requested) {
  const BoxButtons buttons = ButtonsOfBox(requested);

  QString body = FromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  body.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  QMessageBox box(IconOf(kind), FromUtf8(MessageTitle(kind)), body, QMessageBox::NoButton, owner_);
  box.setTextFormat(Qt::PlainText);
  std::vector<std::pair<QPushButton*, MessageButton>> shown;
  for (MessageButton button : buttons.shown) {
    shown.emplace_back(box.addButton(FromUtf8(MessageButtonCaption(button)), RoleOf(button)),
                       button);
  }
  const auto widget_of = [&shown](MessageButton button) {
    return std::find_if(shown.begin(), shown.end(),
                        [button](const auto& s) { return s.second == button; })
        ->first;
  };
  box.setDefaultButton(widget_of(buttons.on_enter));
  box.setEscapeButton(widget_of(buttons.on_escape));

  box.exec();
  for (const auto& [widget, button] : shown) {
    if (widget == box.clickedButton()) return button;
  }
  return buttons.on_escape;
}

}  // namespace korvex
