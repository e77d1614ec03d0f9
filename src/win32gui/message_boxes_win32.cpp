#include "win32gui/message_boxes_win32.h"

#include <algorithm>
#include <string>

#include "locale/runtime_texts.h"
#include "win32gui/wide_text.h"

namespace korvex {
namespace {

// A button's identifier is this plus its MessageButton value.
constexpr int kFirstButtonId = 1000;
constexpr int kMargin = 11;
constexpr int kIconSize = 32;
constexpr int kButtonHeight = 23;
constexpr int kButtonMinWidth = 75;
constexpr int kButtonGap = 6;
constexpr int kTextMaxWidth = 400;

struct Box {
  MessageKind kind;
  std::wstring title;
  std::wstring text;
  BoxButtons buttons;
  // Those of buttons.shown, in the same order.
  std::vector<std::wstring> captions;
  HWND owner;
};

int IdOf(MessageButton button) {
  return kFirstButtonId + static_cast<int>(button);
}

LPCWSTR IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return reinterpret_cast<LPCWSTR>(IDI_WARNING);
    case MessageKind::kError:
      return reinterpret_cast<LPCWSTR>(IDI_ERROR);
    case MessageKind::kInformation:
      return reinterpret_cast<LPCWSTR>(IDI_INFORMATION);
    case MessageKind::kConfirmation:
      return reinterpret_cast<LPCWSTR>(IDI_QUESTION);
  }
  return nullptr;
}

// A static control breaks lines at CR LF only.
std::wstring WithWindowsLineBreaks(std::string_view text) {
  std::wstring lines;
  const std::wstring wide = ToWide(text);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r' || wide[i] == L'\n') {
      lines += L"\r\n";
      if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
    } else {
      lines += wide[i];
    }
  }
  return lines;
}

// An empty dialog in the window's font; the box adds its controls itself.
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD));
  auto* head = reinterpret_cast<DLGTEMPLATE*>(words.data());
  head->style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  // No menu, the dialog class, no title (set later), then the font.
  words.insert(words.end(), {0, 0, 0, 8});
  for (wchar_t c : std::wstring_view(L"MS Sans Serif")) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  return words;
}

SIZE TextSize(HDC dc, const std::wstring& text, UINT format, int width) {
  RECT rect{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT);
  return {rect.right, rect.bottom};
}

HWND AddControl(HWND dialog, const wchar_t* window_class, const std::wstring& text, DWORD style,
                int id, int left, int top, int width, int height) {
  HWND control = CreateWindowExW(0, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, left,
                                 top, width, height, dialog,
                                 reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

void LayOut(HWND dialog, const Box& box) {
  SetWindowTextW(dialog, box.title.c_str());
  const std::vector<std::wstring>& captions = box.captions;

  HDC dc = GetDC(dialog);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  const SIZE text =
      TextSize(dc, box.text, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS, kTextMaxWidth);
  std::vector<int> widths;
  for (const std::wstring& caption : captions) {
    widths.push_back(
        std::max<int>(kButtonMinWidth, TextSize(dc, caption, DT_SINGLELINE, 0).cx + 16));
  }
  SelectObject(dc, previous);
  ReleaseDC(dialog, dc);

  int row_width = kButtonGap * (static_cast<int>(widths.size()) - 1);
  for (int width : widths) row_width += width;
  const int body_height = std::max<int>(kIconSize, text.cy);
  const int client_width = 2 * kMargin + std::max<int>(row_width, kIconSize + kMargin + text.cx);
  const int client_height = 3 * kMargin + body_height + kButtonHeight;

  HWND icon =
      AddControl(dialog, L"STATIC", L"", SS_ICON, -1, kMargin, kMargin, kIconSize, kIconSize);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IconOf(box.kind))),
               0);
  AddControl(dialog, L"STATIC", box.text, SS_LEFT | SS_NOPREFIX, -1, 2 * kMargin + kIconSize,
             kMargin + (body_height - text.cy) / 2, text.cx, text.cy);

  int left = (client_width - row_width) / 2;
  const int top = 2 * kMargin + body_height;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    AddControl(dialog, L"BUTTON", captions[i], WS_TABSTOP | BS_PUSHBUTTON,
               IdOf(box.buttons.shown[i]), left, top, widths[i], kButtonHeight);
    left += widths[i] + kButtonGap;
  }
  // The dialog draws the default button as such and sends it on Enter.
  SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(IdOf(box.buttons.on_enter)), 0);

  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  RECT over{};
  if (!box.owner || !GetWindowRect(box.owner, &over) || IsIconic(box.owner)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (over.left + over.right - width) / 2,
               (over.top + over.bottom - height) / 2, width, height, SWP_NOZORDER);
  SetFocus(GetDlgItem(dialog, IdOf(box.buttons.on_enter)));
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    LayOut(dialog, *reinterpret_cast<const Box*>(lparam));
    return FALSE;  // the focus is set
  }
  if (message != WM_COMMAND) return FALSE;
  const auto* box = reinterpret_cast<const Box*>(GetWindowLongPtrW(dialog, DWLP_USER));
  const int id = LOWORD(wparam);
  if (id == IDCANCEL) {
    // Escape or the close box.
    EndDialog(dialog, IdOf(box->buttons.on_escape));
    return TRUE;
  }
  for (MessageButton button : box->buttons.shown) {
    if (id == IdOf(button)) {
      EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

MessageButton Win32MessageBoxes::Show(MessageKind kind, std::string_view text,
                                      const std::vector<MessageButton>& buttons) {
  const BoxButtons shown = ButtonsOfBox(buttons);
  std::vector<std::wstring> captions;
  for (MessageButton button : shown.shown) captions.push_back(ToWide(MessageButtonCaption(button)));
  const Box box{kind,  ToWide(MessageTitle(kind)), WithWindowsLineBreaks(text), shown, captions,
                owner_};
  const std::vector<WORD> dialog = DialogTemplate();
  const INT_PTR pressed = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), owner_,
      Procedure, reinterpret_cast<LPARAM>(&box));
  for (MessageButton button : box.buttons.shown) {
    if (pressed == IdOf(button)) return button;
  }
  // The box could not be shown.
  return box.buttons.on_escape;
}

}  // namespace korvex
