// The main window on Win32 standard controls, built from the window's design
// table. What the user does goes to MainViewEvents.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "platform/main_view.h"
#include "shell/form_layout.h"

namespace korvex {

class Win32MainView : public MainView {
 public:
  // Creates the window hidden; `on_closed` runs once it has been closed.
  explicit Win32MainView(std::function<void()> on_closed);
  ~Win32MainView() override;
  Win32MainView(const Win32MainView&) = delete;
  Win32MainView& operator=(const Win32MainView&) = delete;

  void SetEvents(MainViewEvents& events) { events_ = &events; }
  void Show();
  HWND Window() const { return window_; }
  HWND Control(Component component) const { return controls_[static_cast<std::size_t>(component)]; }

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
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void OnCommand(Component component, WORD notification);
  void AppendToLog(std::string_view text);
  // For a component whose design says so.
  void WidenToText(Component component);

  std::function<void()> on_closed_;
  MainViewEvents* events_ = nullptr;
  // Owner of the window and holder of the application's title, as in the
  // toolkit the communicator was made with.
  HWND application_ = nullptr;
  HWND window_ = nullptr;
  std::array<HWND, kFormDesign.size()> controls_{};
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  HICON icon_ = nullptr;
  HBITMAP idle_lamp_ = nullptr;
  HBITMAP busy_lamp_ = nullptr;
  // An empty log and a log of one empty line look alike to the control.
  bool log_has_lines_ = false;
};

}  // namespace korvex
