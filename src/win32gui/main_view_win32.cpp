#include "win32gui/main_view_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "win32gui/drawn_pictures.h"
#include "win32gui/wide_text.h"

namespace korvex {
namespace {

constexpr wchar_t kFormClass[] = L"TDlgKORVEX";
constexpr wchar_t kApplicationClass[] = L"TApplication";
// Control identifiers are this plus the component's place in the design.
constexpr int kFirstControlId = 100;

struct ControlKind {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

ControlKind KindOf(Component component) {
  switch (component) {
    case Component::Image1:
      return {L"STATIC", SS_ICON | SS_NOTIFY | SS_REALSIZECONTROL, 0};
    case Component::Label1:
      return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case Component::LabelVersion:
    case Component::Label3:
    case Component::Label2:
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case Component::chbstop:
      return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case Component::Memo1:
      return {L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case Component::CAN0:
    case Component::CAN1:
    case Component::Button1:
      return {L"BUTTON", BS_PUSHBUTTON, 0};
    case Component::Bar1:
      return {PROGRESS_CLASSW, PBS_SMOOTH, 0};
    case Component::icom:
    case Component::icom0:
    case Component::icom1:
      return {L"STATIC", SS_BITMAP | SS_REALSIZECONTROL, 0};
    case Component::Edit1:
    case Component::Edit2:
      return {L"EDIT", ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", 0, 0};
}

// Registering again, for a later window of the same run, fails harmlessly.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  RegisterClassExW(&window_class);
}

HFONT FormFont(bool bold) {
  HDC screen = GetDC(nullptr);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  std::wcscpy(font.lfFaceName, L"MS Sans Serif");
  HFONT handle = CreateFontIndirectW(&font);
  // The layout was made for this face or its TrueType successor. A stand-in
  // (wine without its own fonts takes DejaVu Sans) is wider: it is narrowed
  // to about the design's width, or the texts would not fit their places.
  HGDIOBJ previous = SelectObject(screen, handle);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, previous);
  const std::wstring_view taken(face);
  if (taken != L"MS Sans Serif" && taken != L"Microsoft Sans Serif") {
    DeleteObject(handle);
    font.lfWidth = metrics.tmAveCharWidth * 87 / 100;
    handle = CreateFontIndirectW(&font);
  }
  ReleaseDC(nullptr, screen);
  return handle;
}

}  // namespace

Win32MainView::Win32MainView(std::function<void()> on_closed) : on_closed_(std::move(on_closed)) {
  const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX),
                                    ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, kApplicationClass, DefWindowProcW);
  RegisterWindowClass(instance, kFormClass, Procedure);

  font_ = FormFont(false);
  bold_font_ = FormFont(true);
  icon_ = CreateProgramIcon();
  idle_lamp_ = CreateLampBitmap(false);
  busy_lamp_ = CreateLampBitmap(true);

  application_ = CreateWindowExW(0, kApplicationClass, ToWide(kApplicationTitle).c_str(), WS_POPUP,
                                 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  // A fixed frame: no sizing border, no maximise box.
  constexpr DWORD kStyle =
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  constexpr DWORD kExStyle = WS_EX_APPWINDOW;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  window_ = CreateWindowExW(kExStyle, kFormClass, ToWide(kWindowTitle).c_str(), kStyle, kWindowLeft,
                            kWindowTop, frame.right - frame.left, frame.bottom - frame.top,
                            application_, nullptr, instance, this);
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  CreateControls();
}

Win32MainView::~Win32MainView() {
  if (window_) DestroyWindow(window_);
  if (application_) DestroyWindow(application_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(bold_font_),
                         static_cast<HGDIOBJ>(idle_lamp_), static_cast<HGDIOBJ>(busy_lamp_)}) {
    if (object) DeleteObject(object);
  }
  if (icon_) DestroyIcon(icon_);
}

void Win32MainView::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  window_, nullptr, instance, nullptr);
  for (const ComponentDesign& design : kFormDesign) {
    const ControlKind kind = KindOf(design.component);
    DWORD style = WS_CHILD | kind.style;
    if (design.visible) style |= WS_VISIBLE;
    if (!design.enabled) style |= WS_DISABLED;
    const auto id =
        static_cast<std::intptr_t>(kFirstControlId + static_cast<int>(design.component));
    HWND control =
        CreateWindowExW(kind.ex_style, kind.window_class, ToWide(design.text).c_str(), style,
                        design.rect.left, design.rect.top, design.rect.width, design.rect.height,
                        window_, reinterpret_cast<HMENU>(id), instance, nullptr);
    controls_[static_cast<std::size_t>(design.component)] = control;
    SendMessageW(
        control, WM_SETFONT,
        reinterpret_cast<WPARAM>(design.component == Component::Label1 ? bold_font_ : font_),
        FALSE);
    WidenToText(design.component);
    if (!design.hint.empty()) {
      std::wstring hint = ToWide(design.hint);
      TTTOOLINFOW tool{};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = window_;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = hint.data();
      SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  SendMessageW(Control(Component::Image1), STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
  SendMessageW(Control(Component::icom0), STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(idle_lamp_));
  SendMessageW(Control(Component::icom1), STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(busy_lamp_));
  SetLampBusy(false);
  // The log is never trimmed: no limit but memory.
  SendMessageW(Control(Component::Memo1), EM_SETLIMITTEXT, 0, 0);
  SetProgressMaximum(kProgressMaximum);
}

void Win32MainView::WidenToText(Component component) {
  const ComponentDesign& design = DesignOf(component);
  if (!design.widens_to_text) return;
  HWND control = Control(component);
  const std::wstring text = WindowText(control);
  HDC dc = GetDC(control);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  // A check box draws its box and a gap before the text.
  const int box = component == Component::chbstop ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
  SetWindowPos(control, nullptr, 0, 0, std::max(design.rect.width, static_cast<int>(size.cx) + box),
               design.rect.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainView::Show() {
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

LRESULT CALLBACK Win32MainView::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* view = reinterpret_cast<Win32MainView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view && view->window_ == window) return view->Handle(message, wparam, lparam);
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32MainView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = LOWORD(wparam) - kFirstControlId;
      if (index >= 0 && index < static_cast<int>(kFormDesign.size())) {
        OnCommand(static_cast<Component>(index), HIWORD(wparam));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // A read-only edit asks as a static does; the log stays on a window
      // background like a writable one.
      if (reinterpret_cast<HWND>(lparam) == Control(Component::Memo1)) {
        SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CLOSE:
      // The logic decides; when it allows the close it closes the window.
      if (events_) events_->CloseRequestedByUser();
      return 0;
    case WM_NCDESTROY:
      window_ = nullptr;
      controls_ = {};
      break;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32MainView::OnCommand(Component component, WORD notification) {
  if (!events_) return;
  switch (component) {
    case Component::Image1:
      if (notification == STN_DBLCLK) events_->Image1DblClick();
      break;
    case Component::chbstop:
      if (notification == BN_CLICKED) {
        events_->chbstopClick(SendMessageW(Control(component), BM_GETCHECK, 0, 0) == BST_CHECKED);
      }
      break;
    case Component::CAN0:
      if (notification == BN_CLICKED) events_->CAN0Click();
      break;
    case Component::CAN1:
      if (notification == BN_CLICKED) events_->CAN1Click();
      break;
    case Component::Button1:
      if (notification == BN_CLICKED) events_->Button1Click();
      break;
    default:
      break;
  }
}

void Win32MainView::AddLine(std::string_view text) {
  AppendToLog(log_has_lines_ ? "\r\n" + std::string(text) : std::string(text));
}

void Win32MainView::AppendToLastLine(std::string_view text) {
  AppendToLog(text);
}

void Win32MainView::AppendToLog(std::string_view text) {
  // The caret goes to the end, wherever the user has put it, and the text in
  // there; the control scrolls to show it.
  HWND memo = Control(Component::Memo1);
  const int end = GetWindowTextLengthW(memo);
  SendMessageW(memo, EM_SETSEL, end, end);
  SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
  log_has_lines_ = true;
}

void Win32MainView::ClearLog() {
  SetWindowTextW(Control(Component::Memo1), L"");
  log_has_lines_ = false;
}

void Win32MainView::SetVersionText(std::string_view text) {
  SetWindowTextW(Control(Component::LabelVersion), ToWide(text).c_str());
  WidenToText(Component::LabelVersion);
}

void Win32MainView::SetLampBusy(bool busy) {
  SendMessageW(Control(Component::icom), STM_SETIMAGE, IMAGE_BITMAP,
               reinterpret_cast<LPARAM>(busy ? busy_lamp_ : idle_lamp_));
}

void Win32MainView::SetProgress(int position) {
  SendMessageW(Control(Component::Bar1), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32MainView::SetProgressMaximum(int maximum) {
  SendMessageW(Control(Component::Bar1), PBM_SETRANGE32, 0, maximum);
}

void Win32MainView::SetRequestText(std::string_view text) {
  SetWindowTextW(Control(Component::Edit1), ToWide(text).c_str());
}

void Win32MainView::SetAnswerText(std::string_view text) {
  SetWindowTextW(Control(Component::Edit2), ToWide(text).c_str());
}

void Win32MainView::SetCanButtonsEnabled(bool enabled) {
  EnableWindow(Control(Component::CAN0), enabled);
  EnableWindow(Control(Component::CAN1), enabled);
}

void Win32MainView::MoveTo(int left, int top) {
  SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainView::CloseWindow() {
  if (window_) DestroyWindow(window_);
  if (on_closed_) on_closed_();
}

}  // namespace korvex
