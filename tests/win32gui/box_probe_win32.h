// Waits, on a thread of its own, for the next dialog box of a thread, notes
// what it shows and answers it, so that a test can go through a box that
// blocks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win32gui/wide_text.h"

namespace korvex {

struct SeenBox {
  std::wstring title;
  std::wstring text;
  HICON icon = nullptr;
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
  static bool IsBox(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return std::wstring(name) == L"#32770" && IsWindowVisible(window);
  }

  void Answer(const BoxAnswer& answer, DWORD thread) {
    HWND box = nullptr;
    for (int i = 0; i < 1000 && !box; ++i) {
      EnumThreadWindows(
          thread,
          [](HWND window, LPARAM found) {
            if (IsBox(window)) *reinterpret_cast<HWND*>(found) = window;
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&box));
      if (!box) Sleep(10);
    }
    if (!box) return;
    SeenBox seen{WindowText(box), {}, nullptr, {}, {}};
    HWND focus = GetDlgItem(box, LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0)));
    HWND click = nullptr;
    // Children in the order they were made: icon, text, buttons left to right.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      GetClassNameW(child, name, 16);
      if (std::wstring(name) == L"Button") {
        seen.buttons.push_back(WindowText(child));
        if (child == focus) seen.default_button = seen.buttons.back();
        if (seen.buttons.back() == answer.click) click = child;
      } else if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      } else {
        seen.text = WindowText(child);
      }
    }
    seen_ = seen;
    if (click) {
      SendMessageW(click, BM_CLICK, 0, 0);
    } else {
      // Without a key, Escape: a box with no such button must still go, for
      // the test to fail rather than hang.
      PostMessageW(focus ? focus : box, answer.key_message ? answer.key_message : WM_KEYDOWN,
                   answer.key_message ? answer.key : VK_ESCAPE, 0);
    }
  }

  std::optional<SeenBox> seen_;
  std::thread worker_;
};

}  // namespace korvex
