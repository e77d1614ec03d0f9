// Waits, on a thread of its own, for the next dialog box of a thread, notes
// what it shows and answers it, so that a test can go through a box that
// blocks.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/box_seen.h"
#include "win32gui/wide_text.h"

namespace korvex {

// A window's text in UTF-8, line breaks as '\n'.
inline std::string Utf8(std::wstring text) {
  for (std::size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.erase(at, 1);
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The system icon a box shows, by the name Qt gives it.
inline std::string IconName(HICON icon) {
  for (auto [name, id] : {std::pair{"Warning", IDI_WARNING},
                          {"Critical", IDI_ERROR},
                          {"Information", IDI_INFORMATION},
                          {"Question", IDI_QUESTION}}) {
    if (icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(id))) return name;
  }
  return {};
}

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
  std::optional<BoxSeen> Seen() {
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
    BoxSeen seen;
    seen.title = Utf8(WindowText(box));
    HWND focus = GetDlgItem(box, LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0)));
    HWND click = nullptr;
    // Children in the order they were made: icon, text, buttons left to right.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      GetClassNameW(child, name, 16);
      if (std::wstring(name) == L"Button") {
        if (child == focus) seen.default_button = Utf8(WindowText(child));
        if (WindowText(child) == answer.click) click = child;
        seen.buttons.push_back(Utf8(WindowText(child)));
      } else if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen.icon = IconName(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
      } else {
        seen.text = Utf8(WindowText(child));
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

  std::optional<BoxSeen> seen_;
  std::thread worker_;
};

}  // namespace korvex
