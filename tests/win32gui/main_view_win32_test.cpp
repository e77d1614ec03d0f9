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

class Win32ViewDriver {
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

  EventLoop& Loop() { return loop_; }
  MainView& View() { return view_; }
  void SetEvents(MainViewEvents& events) { view_.SetEvents(events); }
  bool Show() {
    shown_ = view_.Window();
    view_.Show();
    return IsWindowVisible(shown_) != FALSE;
  }
  MessageBoxes& Boxes() { return boxes_; }
  bool WindowOpen() {
    const bool open = IsWindow(shown_) && IsWindowVisible(shown_);
    EXPECT_EQ(view_.Window() != nullptr, open) << "the view's handle and the window disagree";
    return open;
  }

  // Through the system's hit test, as a mouse would: a disabled control
  // takes no click.
  void Click(const char* name) {
    const RECT at = PlaceOf(Control(name));
    HWND hit = ChildWindowFromPointEx(
        view_.Window(), {(at.left + at.right) / 2, (at.top + at.bottom) / 2}, CWP_SKIPDISABLED);
    if (hit == Control(name)) SendMessageW(hit, BM_CLICK, 0, 0);
  }
  void DoubleClick(const char* name) {
    SendMessageW(Control(name), WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
  }
  void ScrollLogToTop() {
    SendMessageW(Control("Memo1"), EM_SETSEL, 0, 0);
    SendMessageW(Control("Memo1"), EM_SCROLLCARET, 0, 0);
  }
  std::optional<BoxSeen> RequestClose(const char* press = nullptr) {
    return Answering(press, [this] { SendMessageW(view_.Window(), WM_CLOSE, 0, 0); });
  }
  // `press`: a button's caption, or a BoxAnswer for a key.
  std::optional<BoxSeen> Answering(const char* press, const std::function<void()>& act) {
    if (!press) {
      act();
      return std::nullopt;
    }
    return Answering(BoxAnswer{ToWide(press).c_str()}, act);
  }
  std::optional<BoxSeen> Answering(BoxAnswer answer, const std::function<void()>& act) {
    BoxProbe probe(answer);
    act();
    return probe.Seen();
  }

  FrameSeen Frame() {
    RECT client{};
    GetClientRect(view_.Window(), &client);
    RECT outer{};
    GetWindowRect(view_.Window(), &outer);
    const LONG_PTR style = GetWindowLongPtrW(view_.Window(), GWL_STYLE);
    const auto has = [style](LONG_PTR bit) { return (style & bit) != 0; };
    return FrameSeen(Utf8(WindowText(view_.Window())), client.right, client.bottom, outer.left,
                     outer.top, has(WS_THICKFRAME), has(WS_MAXIMIZEBOX), has(WS_MINIMIZEBOX),
                     has(WS_SYSMENU));
  }
  std::optional<ComponentSeen> Component(const char* name) {
    HWND control = Control(name);
    if (!control) return std::nullopt;
    const RECT at = PlaceOf(control);
    return ComponentSeen(at.left, at.top, at.right - at.left, at.bottom - at.top,
                         Utf8(WindowText(control)), Utf8(HintOf(control)),
                         IsWindowEnabled(control) != FALSE, IsWindowVisible(control) != FALSE);
  }
  std::string LogText() { return Utf8(WindowText(Control("Memo1"))); }
  bool NewestLineShown() {
    SCROLLINFO bar{sizeof(bar), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Control("Memo1"), SB_VERT, &bar);
    return bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  }
  bool LogReadOnly() { return GetWindowLongPtrW(Control("Memo1"), GWL_STYLE) & ES_READONLY; }
  bool PauseChecked() { return SendMessageW(Control("chbstop"), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::array<int, 3> Progress() {
    HWND bar = Control("Bar1");
    return {static_cast<int>(SendMessageW(bar, PBM_GETRANGE, TRUE, 0)),
            static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0)),
            static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0))};
  }
  std::string Picture(const char* name) {
    const UINT get = std::string_view(name) == "Image1" ? STM_GETICON : STM_GETIMAGE;
    const LRESULT handle = SendMessageW(Control(name), get, IMAGE_BITMAP, 0);
    return handle ? std::to_string(handle) : std::string();
  }

 private:
  std::wstring HintOf(HWND control) {
    HWND tips = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    while (tips && GetWindow(tips, GW_OWNER) != view_.Window()) {
      tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr);
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

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MainViewContract, Win32ViewDriver);

using Win32MainViewTest = MainViewContract<Win32ViewDriver>;

TEST_F(Win32MainViewTest, OwnerHoldsTheApplicationsTitleAndTheVersionIsWhole) {
  Open();
  EXPECT_EQ(WindowText(GetWindow(driver.view().Window(), GW_OWNER)), L"LumadexVX2");
  EXPECT_GT(driver.PlaceOf(driver.Control("LabelVersion")).right, 48 + 60)
      << "the version is cut off";
}

TEST_F(Win32MainViewTest, BoxesTakeTypedLettersEnterAndAnyNumberOfButtons) {
  CzechBoxes();
  using enum MessageButton;
  const auto show = [&](std::vector<MessageButton> buttons, BoxAnswer answer) {
    return ShowBox(MessageKind::kWarning, "?", buttons, answer).value_or(BoxSeen{});
  };
  EXPECT_EQ(show({kYes, kNo}, {L"", WM_CHAR, 'n'}).answer, kNo);
  EXPECT_EQ(show({kYes, kNo}, {L"", WM_KEYDOWN, VK_RETURN}).answer, kYes);
  const BoxSeen all =
      show({kYes, kNo, kOk, kCancel, kAbort, kRetry, kIgnore, kAll, kNoToAll, kYesToAll, kHelp},
           {L"Ne pro všechny"});
  EXPECT_EQ(all.answer, kNoToAll);
  EXPECT_EQ(all.buttons,
            (std::vector<std::string>{"&Ano", "&Ne", "OK", "Zpět", "Přerušit", "Znova", "Ignorovat",
                                      "Vše", "Ne pro všechny", "Ano pro všechny", "Nápověda"}));
  EXPECT_EQ(all.default_button, "OK");
}

}  // namespace
}  // namespace korvex
