// The Win32 window against the view contract, and what only the Win32
// window has.
// The logic first: <windows.h> defines the serial seam's EV_ names as macros.
#include "support/main_view_contract.h"
// clang-format off
#include "win32gui/main_view_win32.h"
// clang-format on

#include <commctrl.h>

#include "support/virtual_event_loop.h"
#include "win32gui/box_probe_win32.h"
#include "win32gui/message_boxes_win32.h"
#include "win32gui/wide_text.h"

namespace korvex {
namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string bytes(
      static_cast<std::size_t>(
          WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)),
      '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), static_cast<int>(bytes.size()),
                      nullptr, nullptr);
  return bytes;
}

class Win32ViewDriver : public ViewDriver {
 public:
  explicit Win32ViewDriver(std::function<void()> on_closed) : view_(std::move(on_closed)) {}

  Win32MainView& view() { return view_; }
  HWND Control(const char* name) {
    for (const ComponentDesign& design : kFormDesign) {
      if (design.name == name) return view_.Control(design.component);
    }
    return nullptr;
  }
  // In the window's client coordinates.
  RECT PlaceOf(HWND control) {
    RECT at{};
    GetWindowRect(control, &at);
    MapWindowPoints(HWND_DESKTOP, view_.Window(), reinterpret_cast<POINT*>(&at), 2);
    return at;
  }

  EventLoop& Loop() override { return loop_; }
  MainView& View() override { return view_; }
  void SetEvents(MainViewEvents& events) override { view_.SetEvents(events); }
  bool Show() override {
    shown_ = view_.Window();
    view_.Show();
    return IsWindowVisible(shown_) != FALSE;
  }
  MessageBoxes& Boxes() override { return boxes_; }
  bool WindowOpen() override {
    const bool open = IsWindow(shown_) && IsWindowVisible(shown_);
    EXPECT_EQ(view_.Window() != nullptr, open) << "the view's handle and the window disagree";
    return open;
  }

  // Through the system's hit test, as a mouse would: a disabled control
  // takes no click.
  void Click(const char* name) override {
    HWND control = Control(name);
    const RECT at = PlaceOf(control);
    const POINT middle{(at.left + at.right) / 2, (at.top + at.bottom) / 2};
    if (ChildWindowFromPointEx(view_.Window(), middle, CWP_SKIPDISABLED) == control) {
      SendMessageW(control, BM_CLICK, 0, 0);
    }
  }
  void DoubleClick(const char* name) override {
    SendMessageW(Control(name), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  }
  void ScrollLogToTop() override {
    SendMessageW(Control("Memo1"), EM_SETSEL, 0, 0);
    SendMessageW(Control("Memo1"), EM_SCROLLCARET, 0, 0);
  }
  void RequestClose() override { SendMessageW(view_.Window(), WM_CLOSE, 0, 0); }
  std::optional<BoxSeen> RequestCloseAnswering(const char* press) override {
    const std::wstring caption = ToWide(press);
    BoxProbe probe({caption.c_str()});
    RequestClose();
    const std::optional<SeenBox> seen = probe.Seen();
    if (!seen) return std::nullopt;
    BoxSeen box{Utf8(seen->title), Utf8(seen->text),
                seen->icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION)), {}};
    for (const std::wstring& button : seen->buttons) box.buttons.push_back(Utf8(button));
    return box;
  }

  FrameSeen Frame() override {
    RECT client{};
    GetClientRect(view_.Window(), &client);
    RECT outer{};
    GetWindowRect(view_.Window(), &outer);
    const LONG_PTR style = GetWindowLongPtrW(view_.Window(), GWL_STYLE);
    return {Utf8(WindowText(view_.Window())),
            client.right,
            client.bottom,
            outer.left,
            outer.top,
            (style & WS_THICKFRAME) != 0,
            (style & WS_MAXIMIZEBOX) != 0,
            (style & WS_MINIMIZEBOX) != 0,
            (style & WS_SYSMENU) != 0};
  }
  std::optional<ComponentSeen> Component(const char* name) override {
    HWND control = Control(name);
    if (!control) return std::nullopt;
    const RECT at = PlaceOf(control);
    return ComponentSeen{at.left,
                         at.top,
                         at.right - at.left,
                         at.bottom - at.top,
                         Utf8(WindowText(control)),
                         Utf8(HintOf(control)),
                         IsWindowEnabled(control) != FALSE,
                         IsWindowVisible(control) != FALSE};
  }
  std::vector<std::string> LogLines() override {
    std::wstring text = WindowText(Control("Memo1"));
    std::vector<std::string> lines;
    for (std::size_t end; (end = text.find(L"\r\n")) != std::wstring::npos;
         text.erase(0, end + 2)) {
      lines.push_back(Utf8(text.substr(0, end)));
    }
    lines.push_back(Utf8(text));
    return lines;
  }
  bool NewestLineShown() override {
    SCROLLINFO bar{};
    bar.cbSize = sizeof(bar);
    bar.fMask = SIF_ALL;
    GetScrollInfo(Control("Memo1"), SB_VERT, &bar);
    return bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  }
  bool LogReadOnly() override {
    return (GetWindowLongPtrW(Control("Memo1"), GWL_STYLE) & ES_READONLY) != 0;
  }
  bool Checked(const char* name) override {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  ProgressSeen Progress() override {
    PBRANGE range{};
    SendMessageW(Control("Bar1"), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return {range.iLow, range.iHigh,
            static_cast<int>(SendMessageW(Control("Bar1"), PBM_GETPOS, 0, 0))};
  }
  std::string Picture(const char* name) override {
    const LRESULT handle = std::string_view(name) == "Image1"
                               ? SendMessageW(Control(name), STM_GETICON, 0, 0)
                               : SendMessageW(Control(name), STM_GETIMAGE, IMAGE_BITMAP, 0);
    return handle ? std::to_string(handle) : std::string();
  }

 private:
  std::wstring HintOf(HWND control) {
    HWND tips = nullptr;
    while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) &&
           GetWindow(tips, GW_OWNER) != view_.Window()) {
    }
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = view_.Window();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    if (tips) SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
  }

  VirtualEventLoop loop_;
  Win32MainView view_;
  Win32MessageBoxes boxes_{view_.Window()};
  HWND shown_ = nullptr;
};

const ViewDriverFactory kWin32{[](std::function<void()> on_closed) {
  return std::unique_ptr<ViewDriver>(std::make_unique<Win32ViewDriver>(std::move(on_closed)));
}};

INSTANTIATE_TEST_SUITE_P(Win32, MainViewContract, ::testing::Values(kWin32));

class Win32MainViewTest : public MainViewContract {
 protected:
  Win32ViewDriver& win32() { return static_cast<Win32ViewDriver&>(*driver); }
};

TEST_P(Win32MainViewTest, OwnerHoldsTheApplicationsTitleAndTheVersionIsWhole) {
  Open();
  EXPECT_EQ(WindowText(GetWindow(win32().view().Window(), GW_OWNER)), L"LumadexVX2");
  EXPECT_GT(win32().PlaceOf(win32().Control("LabelVersion")).right, 48 + 60)
      << "the version is cut off";
}

INSTANTIATE_TEST_SUITE_P(Win32, Win32MainViewTest, ::testing::Values(kWin32));

}  // namespace
}  // namespace korvex
