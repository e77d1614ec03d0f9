// A main view that remembers what the window showed, for the logic's tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/main_view.h"

namespace korvex {

class RecordingView : public MainView {
 public:
  void AddLine(std::string_view text) override { lines.emplace_back(text); }
  void AppendToLastLine(std::string_view text) override {
    if (lines.empty()) lines.emplace_back();
    lines.back() += text;
  }
  void ClearLog() override { lines.clear(); }
  void SetVersionText(std::string_view text) override { version = text; }
  void SetLampBusy(bool busy) override { lamp_busy = busy; }
  void SetProgress(int position) override { progress = position; }
  void SetProgressMaximum(int maximum) override { progress_maximum = maximum; }
  void SetRequestText(std::string_view text) override { request_text = text; }
  void SetAnswerText(std::string_view text) override { answer_text = text; }
  void SetCanButtonsEnabled(bool enabled) override { can_enabled = enabled; }
  void MoveTo(int left, int top) override {
    x = left;
    y = top;
  }
  void CloseWindow() override { closed = true; }

  std::vector<std::string> lines;
  std::string version;
  bool lamp_busy = true;
  int progress = -1;
  int progress_maximum = 100;
  std::string request_text;
  std::string answer_text;
  bool can_enabled = true;
  int x = 0;
  int y = 0;
  bool closed = false;
};

}  // namespace korvex
