// The communicator's window as the user sees it: every component at its place
// with its texts and initial state. What the user does goes to MainViewEvents.
#pragma once

#include <functional>

#include <QFont>
#include <QWidget>

#include "platform/main_view.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace korvex {

// The window's font, also meant for the application's message boxes.
QFont FormFont();

class MainForm : public QWidget {
 public:
  MainForm();

  void SetEvents(MainViewEvents* events) { events_ = events; }
  // Lets the next close through: the window's logic has allowed it.
  void AllowClose() { close_allowed_ = true; }
  // The version line keeps its place and grows to show the whole text.
  void SetVersionText(const QString& text);

  // The components, named as in the window's design.
  QLabel* Image1;
  QLabel* Label1;
  QLabel* LabelVersion;
  QCheckBox* chbstop;
  QPlainTextEdit* Memo1;
  QPushButton* CAN0;
  QPushButton* CAN1;
  QLabel* Label3;
  QProgressBar* Bar1;
  QLabel* icom;
  QLabel* icom0;
  QLabel* icom1;
  QLabel* Label2;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QPushButton* Button1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The window's parts, top to bottom, as the design table places them.
  void PlaceHeader();
  void PlaceLog();
  void PlaceStatus();
  // A handler that calls `handler` of the events, once they are set.
  std::function<void()> Forward(void (MainViewEvents::*handler)());

  MainViewEvents* events_ = nullptr;
  bool close_allowed_ = false;
};

}  // namespace korvex
