// The real Win32 window with the communicator's logic behind it.
// The logic first: <windows.h> defines the serial seam's EV_ names as macros.
#include "shell/korvex_window.h"
// clang-format off
#include "win32gui/main_view_win32.h"
// clang-format on

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/designed_window.h"
#include "support/fake_host_desktop.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/scripted_message_boxes.h"
#include "support/virtual_event_loop.h"
#include "win32gui/box_probe_win32.h"
#include "win32gui/message_boxes_win32.h"
#include "win32gui/wide_text.h"

namespace korvex {
namespace {

class Win32WindowTest : public ::testing::Test {
 protected:
  // Opens the window as korvex.exe does, without its startup sequence.
  void Open(MessageBoxes& boxes) {
    window = std::make_unique<TDlgKORVEX>(
        WindowPlatform{loop, view, boxes, socket, desktop, serial_port},
        std::vector<std::string>{});
    view.SetEvents(*window);
    window->FormCreate();
    window->TimerStartup->SetEnabled(false);
    view.Show();
  }
  void Open() { Open(scripted); }

  HWND Control(const char* name) {
    for (const ComponentDesign& design : kFormDesign) {
      if (design.name == name) return view.Control(design.component);
    }
    return nullptr;
  }

  // In the window's client coordinates.
  RECT PlaceOf(HWND control) {
    RECT at{};
    GetWindowRect(control, &at);
    MapWindowPoints(HWND_DESKTOP, view.Window(), reinterpret_cast<POINT*>(&at), 2);
    return at;
  }

  std::wstring HintOf(HWND control) {
    HWND tips = nullptr;
    while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) &&
           GetWindow(tips, GW_OWNER) != view.Window()) {
    }
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = view.Window();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    if (tips) SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
  }

  std::vector<std::wstring> LogLines() {
    std::wstring text = WindowText(Control("Memo1"));
    std::vector<std::wstring> lines;
    for (std::size_t end; (end = text.find(L"\r\n")) != std::wstring::npos;
         text.erase(0, end + 2)) {
      lines.push_back(text.substr(0, end));
    }
    lines.push_back(text);
    return lines;
  }

  bool NewestLineShown() {
    SCROLLINFO bar{};
    bar.cbSize = sizeof(bar);
    bar.fMask = SIF_ALL;
    GetScrollInfo(Control("Memo1"), SB_VERT, &bar);
    return bar.nPos + static_cast<int>(bar.nPage) > bar.nMax;
  }

  void DoubleClickIcon() { SendMessageW(Control("Image1"), WM_LBUTTONDBLCLK, MK_LBUTTON, 0); }
  void Click(const char* name) { SendMessageW(Control(name), BM_CLICK, 0, 0); }
  HANDLE PictureOf(const char* name) {
    return reinterpret_cast<HANDLE>(SendMessageW(Control(name), STM_GETIMAGE, IMAGE_BITMAP, 0));
  }

  VirtualEventLoop loop;
  int closed = 0;
  Win32MainView view{[this] { ++closed; }};
  ScriptedMessageBoxes scripted;
  FakeSocketClient socket;
  FakeHostDesktop desktop;
  FakeSerialPort serial_port;
  std::unique_ptr<TDlgKORVEX> window;
};

TEST_F(Win32WindowTest, WindowAndEveryComponentAreAtTheirDesignedPlaces) {
  Open();
  RECT client{};
  GetClientRect(view.Window(), &client);
  EXPECT_EQ(client.right, kDesignedClientWidth);
  EXPECT_EQ(client.bottom, kDesignedClientHeight);
  EXPECT_EQ(WindowText(view.Window()), L"Lumadex VX2");
  EXPECT_EQ(WindowText(GetWindow(view.Window(), GW_OWNER)), L"LumadexVX2");
  const LONG_PTR style = GetWindowLongPtrW(view.Window(), GWL_STYLE);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_MINIMIZEBOX | WS_SYSMENU),
            WS_MINIMIZEBOX | WS_SYSMENU);
  RECT outer{};
  GetWindowRect(view.Window(), &outer);
  EXPECT_EQ(outer.left, 412);
  EXPECT_EQ(outer.top, 271);
  view.MoveTo(100, 50);
  GetWindowRect(view.Window(), &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 50);

  for (const DesignedComponent& c : kDesignedComponents) {
    SCOPED_TRACE(c.name);
    HWND control = Control(c.name);
    ASSERT_NE(control, nullptr);
    const RECT at = PlaceOf(control);
    EXPECT_EQ(at.left, c.left);
    EXPECT_EQ(at.top, c.top);
    EXPECT_EQ(at.bottom - at.top, c.height);
    if (c.widens_to_text) {
      EXPECT_GE(at.right - at.left, c.width);
      EXPECT_LE(at.right, kDesignedClientWidth);
    } else {
      EXPECT_EQ(at.right - at.left, c.width);
    }
    if (c.text) {
      EXPECT_EQ(WindowText(control), ToWide(c.text));
    }
    EXPECT_EQ(HintOf(control), ToWide(c.hint));
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, c.enabled);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, c.visible);
  }
  EXPECT_GT(PlaceOf(Control("LabelVersion")).right, 48 + 60) << "the version is cut off";
  EXPECT_EQ(SendMessageW(Control("chbstop"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(Control("Bar1"), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageW(Control("Bar1"), PBM_GETPOS, 0, 0), 0);
  EXPECT_TRUE(GetWindowLongPtrW(Control("Memo1"), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"Inicializace..."});
  EXPECT_NE(SendMessageW(Control("Image1"), STM_GETICON, 0, 0), 0);
  EXPECT_NE(PictureOf("icom0"), nullptr);
  EXPECT_NE(PictureOf("icom1"), PictureOf("icom0"));
  EXPECT_EQ(PictureOf("icom"), PictureOf("icom0"));
}

TEST_F(Win32WindowTest, LogAddsAndExtendsLinesAndShowsTheNewest) {
  Open();
  view.ClearLog();
  view.AddLine("");
  view.AddLine("Nahrát projekt ? > ");
  view.AppendToLastLine("Ano");
  EXPECT_EQ(LogLines(), (std::vector<std::wstring>{L"", L"Nahrát projekt ? > Ano"}));

  view.ClearLog();
  view.AppendToLastLine("...");
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"..."})
      << "appending to an empty log starts a line";

  for (int i = 0; i < 200; ++i) view.AddLine("řádek " + std::to_string(i));
  EXPECT_TRUE(NewestLineShown());
  // The user has clicked into the first line.
  SendMessageW(Control("Memo1"), EM_SETSEL, 0, 0);
  SendMessageW(Control("Memo1"), EM_SCROLLCARET, 0, 0);
  ASSERT_FALSE(NewestLineShown());
  view.AppendToLastLine(".");
  EXPECT_EQ(LogLines().back(), L"řádek 199.");
  EXPECT_TRUE(NewestLineShown());
}

TEST_F(Win32WindowTest, ControlsReachTheLogicAndShowWhatItSets) {
  Open();
  Click("chbstop");
  window->WriteLog("nevypsáno");
  Click("chbstop");
  view.SetCanButtonsEnabled(true);
  Click("CAN0");
  Click("CAN1");
  EXPECT_EQ(LogLines(), (std::vector<std::wstring>{L"Inicializace...", L"CAN stop", L"CAN start"}));
  ASSERT_NE(window->Link.Comm, nullptr);
  window->Link.Comm->AbortFlag = false;
  Click("Button1");
  EXPECT_TRUE(window->Link.Comm->AbortFlag);

  view.SetLampBusy(true);
  EXPECT_EQ(PictureOf("icom"), PictureOf("icom1"));
  view.SetLampBusy(false);
  EXPECT_EQ(PictureOf("icom"), PictureOf("icom0"));
  view.SetProgressMaximum(7);
  view.SetProgress(5);
  EXPECT_EQ(SendMessageW(Control("Bar1"), PBM_GETRANGE, FALSE, 0), 7);
  EXPECT_EQ(SendMessageW(Control("Bar1"), PBM_GETPOS, 0, 0), 5);
}

TEST_F(Win32WindowTest, CloseWithoutPermissionIsRefusedInACzechBox) {
  Win32MessageBoxes boxes(view.Window());
  Open(boxes);
  BoxProbe probe({L"OK"});
  SendMessageW(view.Window(), WM_CLOSE, 0, 0);
  const std::optional<SeenBox> seen = probe.Seen();
  ASSERT_TRUE(seen.has_value()) << "no box";
  EXPECT_EQ(seen->title, L"Informace");
  EXPECT_EQ(seen->text, L"Nemáte oprávnění k této akci.");
  EXPECT_EQ(seen->buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_TRUE(IsWindow(view.Window()));
  EXPECT_EQ(closed, 0);
}

TEST_F(Win32WindowTest, IconDoubleClickPermitsTheClose) {
  Open();
  DoubleClickIcon();
  EXPECT_EQ(LogLines().back(), L"Uzavření povoleno.");
  SendMessageW(view.Window(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(scripted.shown.empty());
  EXPECT_EQ(view.Window(), nullptr);
  EXPECT_EQ(closed, 1);
}

TEST_F(Win32WindowTest, SecondIconDoubleClickClosesTheWindowByItself) {
  Open();
  HWND form = view.Window();
  DoubleClickIcon();
  DoubleClickIcon();
  EXPECT_EQ(closed, 0) << "the close comes from a timer, not from the click";
  // Each wait moves the virtual clock to the next timer.
  for (int i = 0; i < 100 && closed == 0; ++i) loop.HandleMessage();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(IsWindow(form));
  EXPECT_TRUE(scripted.shown.empty());
}

}  // namespace
}  // namespace korvex
