// The visible state of the main window. The window's logic talks to this,
// never to widgets; the view reports the user's actions back through
// MainViewEvents.
#pragma once

#include <string_view>

#include "platform/log_sink.h"

namespace korvex {

class MainView : public LogSink {
 public:
  virtual void ClearLog() = 0;
  virtual void SetVersionText(std::string_view text) = 0;
  virtual void SetLampBusy(bool busy) = 0;
  virtual void SetProgress(int position) = 0;
  // Bar1 runs from 0 to this maximum.
  virtual void SetProgressMaximum(int maximum) = 0;
  virtual void SetRequestText(std::string_view text) = 0;  // Edit1
  virtual void SetAnswerText(std::string_view text) = 0;   // Edit2
  virtual void SetCanButtonsEnabled(bool enabled) = 0;
  virtual void MoveTo(int left, int top) = 0;
  // The close has been allowed and carried out: the window goes away.
  virtual void CloseWindow() = 0;
};

// What the user does to the window.
class MainViewEvents {
 public:
  virtual ~MainViewEvents() = default;
  // The close box (or the window manager) asks to close.
  virtual void CloseRequestedByUser() = 0;
  virtual void Image1DblClick() = 0;
  virtual void Button1Click() = 0;
  virtual void CAN0Click() = 0;
  virtual void CAN1Click() = 0;
  virtual void chbstopClick(bool checked) = 0;
};

}  // namespace korvex
