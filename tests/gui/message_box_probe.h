// Waits for the next modal message box, notes what it shows and presses one
// of its buttons, so that a test can go through a box that blocks.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <vector>

#include "support/box_seen.h"

namespace korvex {

class MessageBoxProbe {
 public:
  // Presses the button captioned `press`; an empty caption presses Escape.
  explicit MessageBoxProbe(QString press) : press_(std::move(press)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(10);
  }

  std::optional<BoxSeen> seen;
  // What only a Qt box has: the text's format and the buttons' shortcuts.
  Qt::TextFormat format = Qt::AutoText;
  std::vector<QKeySequence> shortcuts;

 private:
  void Look() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    timer_.stop();
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
      return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    BoxSeen shown;
    shown.title = box->windowTitle().toStdString();
    shown.text = box->text().toStdString();
    shown.icon = QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon());
    for (QAbstractButton* button : buttons) {
      shown.buttons.push_back(button->text().toStdString());
      shortcuts.push_back(button->shortcut());
    }
    if (box->defaultButton()) shown.default_button = box->defaultButton()->text().toStdString();
    format = box->textFormat();
    seen = shown;
    if (press_.isEmpty()) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(box, &escape);
      return;
    }
    for (QAbstractButton* button : buttons) {
      if (button->text() == press_) {
        button->click();
        return;
      }
    }
    box->reject();  // no such button: the test fails on `seen`, not by hanging
  }

  QString press_;
  QTimer timer_;
};

}  // namespace korvex
