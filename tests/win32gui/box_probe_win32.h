// Waits, on a thread of its own, for the next dialog box of a thread, notes
// what it shows and answers it, so that a test can go through a box that
// blocks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win32gui/wide_text.h"

namespace korvex {

struct SeenBox {
  std::wstring title;
  std::wstring text;
  bool has_icon = false;
  // Left to right as shown.
  std::vector<std::wstring> buttons;
  std::wstring default_button;
};

// How the probe answers: a click on the button with a caption, or a key (a
// key press, or a typed letter) sent where the box has its focus.
struct BoxAnswer {
  const wchar_t* click = L"";
  UINT key_message = 0;
  WPARAM key = 0;
};

class BoxProbe {
 public:
  explicit BoxProbe(BoxAnswer answer, DWORD thread = GetCurrentThreadId())
      : worker_([this, answer, thread] { Answer(answer, thread); }) {}
  ~BoxProbe() {
    if (worker_.joinable()) worker_.join();
  }
  BoxProbe(const BoxProbe&) = delete;
  BoxProbe& operator=(const BoxProbe&) = delete;

  // What the box showed; nothing when none came within ten seconds.
  std::optional<SeenBox> Seen() {
    if (worker_.joinable()) worker_.join();
    return seen_;
  }

 private:
  void Answer(const BoxAnswer& answer, DWORD thread) {
    HWND box = nullptr;
    for (int i = 0; i < 1000 && !box; ++i) {
      EnumThreadWindows(
          thread,
          [](HWND window, LPARAM found) {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (!box) Sleep(10);
    }
    if (!box) return;
    SeenBox seen{WindowText(box), {}, false, {}, {}};
    std::vector<std::pair<int, HWND>> buttons;
    HWND focus = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      GetClassNameW(child, name, 16);
      const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
      RECT at{};
      GetWindowRect(child, &at);
      if (std::wstring(name) == L"Button") {
        buttons.emplace_back(at.left, child);
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) focus = child;
      } else if ((style & SS_TYPEMASK) == SS_ICON) {
        seen.has_icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
      } else {
        seen.text = WindowText(child);
      }
    }
    std::sort(buttons.begin(), buttons.end());
    HWND click = nullptr;
    for (const auto& [left, button] : buttons) {
      seen.buttons.push_back(WindowText(button));
      if (button == focus) seen.default_button = seen.buttons.back();
      if (seen.buttons.back() == answer.click) click = button;
    }
    seen_ = seen;
    if (click) {
      SendMessageW(click, BM_CLICK, 0, 0);
    } else if (answer.key_message != 0) {
      PostMessageW(focus ? focus : box, answer.key_message, answer.key, 0);
    } else {
      // No such button: the box must still go, for the test to fail rather than hang.
      PostMessageW(focus ? focus : box, WM_KEYDOWN, VK_ESCAPE, 0);
    }
  }

  std::optional<SeenBox> seen_;
  std::thread worker_;
};

}  // namespace korvex
