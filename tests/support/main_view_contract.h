// What the main window must show and do, whatever its toolkit, with the
// communicator's logic behind it. Each toolkit's test binary gives a driver
// and instantiates
//   INSTANTIATE_TEST_SUITE_P(Name, MainViewContract,
//                            ::testing::Values(ViewDriverFactory{...}));
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/main_view.h"
#include "platform/message_boxes.h"
#include "shell/korvex_window.h"
#include "support/designed_window.h"
#include "support/fake_host_desktop.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/scripted_message_boxes.h"

namespace korvex {

// Texts in UTF-8; places in the window's client coordinates.
struct ComponentSeen {
  int left;
  int top;
  int width;
  int height;
  std::string text;
  std::string hint;
  bool enabled;
  bool visible;
};

struct FrameSeen {
  std::string title;
  int client_width;
  int client_height;
  // The outer frame's top left corner on the screen.
  int left;
  int top;
  bool resizable;
  bool maximise_box;
  bool minimise_box;
  bool close_box;
};

struct ProgressSeen {
  int minimum;
  int maximum;
  int value;
};

struct BoxSeen {
  std::string title;
  std::string text;
  bool information_icon;
  // Left to right as shown.
  std::vector<std::string> buttons;
};

// A toolkit's window as a user sees and uses it.
class ViewDriver {
 public:
  virtual ~ViewDriver() = default;
  virtual EventLoop& Loop() = 0;
  virtual MainView& View() = 0;
  virtual void SetEvents(MainViewEvents& events) = 0;
  // False when the window did not come up.
  virtual bool Show() = 0;
  // The toolkit's own message boxes over the window.
  virtual MessageBoxes& Boxes() = 0;
  virtual bool WindowOpen() = 0;

  virtual void Click(const char* component) = 0;
  virtual void DoubleClick(const char* component) = 0;
  // The user puts the log's caret into its first line.
  virtual void ScrollLogToTop() = 0;
  // The close box, with no message box expected.
  virtual void RequestClose() = 0;
  // The close box; the box it brings up is answered with `press`.
  virtual std::optional<BoxSeen> RequestCloseAnswering(const char* press) = 0;

  virtual FrameSeen Frame() = 0;
  virtual std::optional<ComponentSeen> Component(const char* name) = 0;
  virtual std::vector<std::string> LogLines() = 0;
  virtual bool NewestLineShown() = 0;
  virtual bool LogReadOnly() = 0;
  virtual bool Checked(const char* component) = 0;
  virtual ProgressSeen Progress() = 0;
  // Equal for equal pictures; empty when the component shows none.
  virtual std::string Picture(const char* component) = 0;
};

struct ViewDriverFactory {
  // `on_closed` runs once the window has been closed.
  std::function<std::unique_ptr<ViewDriver>(std::function<void()> on_closed)> make;
};

inline void PrintTo(const ViewDriverFactory&, std::ostream* os) {
  *os << "view";
}

class MainViewContract : public ::testing::TestWithParam<ViewDriverFactory> {
 protected:
  void SetUp() override { driver = GetParam().make([this] { ++closed; }); }

  // Opens the window as the binaries do. The startup sequence is left out
  // unless asked for: these tests are about the window.
  void Open(MessageBoxes& boxes, bool run_startup = false) {
    window = std::make_unique<TDlgKORVEX>(
        WindowPlatform{driver->Loop(), driver->View(), boxes, socket, desktop, serial_port},
        std::vector<std::string>{});
    driver->SetEvents(*window);
    window->FormCreate();
    if (!run_startup) window->TimerStartup->SetEnabled(false);
    ASSERT_TRUE(driver->Show());
  }
  void Open() { Open(scripted); }

  // Pumps the loop until `done`; a broken window fails instead of hanging.
  void PumpUntil(const std::function<bool()>& done) {
    bool gave_up = false;
    auto watchdog = driver->Loop().CreateTimer("watchdog", 10000, [&] { gave_up = true; });
    watchdog->SetEnabled(true);
    while (!done() && !gave_up) driver->Loop().HandleMessage();
    ASSERT_TRUE(done());
  }

  MainView& view() { return driver->View(); }
  using Lines = std::vector<std::string>;

  int closed = 0;
  std::unique_ptr<ViewDriver> driver;
  ScriptedMessageBoxes scripted;
  FakeSocketClient socket;
  FakeHostDesktop desktop;
  FakeSerialPort serial_port;
  std::unique_ptr<TDlgKORVEX> window;
};

TEST_P(MainViewContract, WindowIsFixedWithoutMaximiseAtItsPlace) {
  Open();
  FrameSeen frame = driver->Frame();
  EXPECT_EQ(frame.title, "Lumadex VX2");
  EXPECT_EQ(frame.client_width, kDesignedClientWidth);
  EXPECT_EQ(frame.client_height, kDesignedClientHeight);
  EXPECT_FALSE(frame.resizable);
  EXPECT_FALSE(frame.maximise_box);
  EXPECT_TRUE(frame.minimise_box);
  EXPECT_TRUE(frame.close_box);
  EXPECT_EQ(frame.left, 412);
  EXPECT_EQ(frame.top, 271);
  view().MoveTo(100, 50);
  frame = driver->Frame();
  EXPECT_EQ(frame.left, 100);
  EXPECT_EQ(frame.top, 50);
}

TEST_P(MainViewContract, EveryComponentHasItsPlaceTextHintAndState) {
  Open();
  for (const DesignedComponent& c : kDesignedComponents) {
    SCOPED_TRACE(c.name);
    const std::optional<ComponentSeen> seen = driver->Component(c.name);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->left, c.left);
    EXPECT_EQ(seen->top, c.top);
    EXPECT_EQ(seen->height, c.height);
    if (c.widens_to_text) {
      EXPECT_GE(seen->width, c.width);
      EXPECT_LE(seen->left + seen->width, kDesignedClientWidth);
    } else {
      EXPECT_EQ(seen->width, c.width);
    }
    if (c.text) {
      EXPECT_EQ(seen->text, c.text);
    }
    EXPECT_EQ(seen->hint, c.hint);
    EXPECT_EQ(seen->enabled, c.enabled);
    EXPECT_EQ(seen->visible, c.visible);
  }
  EXPECT_FALSE(driver->Checked("chbstop"));
  const ProgressSeen bar = driver->Progress();
  EXPECT_EQ(bar.minimum, 0);
  EXPECT_EQ(bar.maximum, 100);
  EXPECT_EQ(bar.value, 0);
  EXPECT_TRUE(driver->LogReadOnly());
  EXPECT_EQ(driver->LogLines(), Lines{"Inicializace..."});
  EXPECT_NE(driver->Picture("Image1"), "");
  EXPECT_NE(driver->Picture("icom0"), "");
  EXPECT_NE(driver->Picture("icom1"), driver->Picture("icom0"));
  EXPECT_EQ(driver->Picture("icom"), driver->Picture("icom0"));
}

TEST_P(MainViewContract, LogAddsAndExtendsLinesAndShowsTheNewest) {
  Open();
  view().ClearLog();
  view().AddLine("");
  view().AddLine("Nahrát projekt ? > ");
  view().AppendToLastLine("Ano");
  EXPECT_EQ(driver->LogLines(), (Lines{"", "Nahrát projekt ? > Ano"}));

  view().ClearLog();
  view().AppendToLastLine("...");
  EXPECT_EQ(driver->LogLines(), Lines{"..."}) << "appending to an empty log starts a line";

  for (int i = 0; i < 200; ++i) view().AddLine("řádek " + std::to_string(i));
  EXPECT_TRUE(driver->NewestLineShown());
  driver->ScrollLogToTop();
  ASSERT_FALSE(driver->NewestLineShown());
  view().AppendToLastLine(".");
  const Lines lines = driver->LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "řádek 199.");
  EXPECT_TRUE(driver->NewestLineShown());
}

TEST_P(MainViewContract, PauseBoxHoldsBackTheWindowsLogLines) {
  Open();
  driver->Click("chbstop");
  ASSERT_TRUE(driver->Checked("chbstop"));
  window->WriteLog("nevypsáno");
  window->AppendLog("!");
  driver->Click("chbstop");
  window->WriteLog("vypsáno");
  EXPECT_EQ(driver->LogLines(), (Lines{"Inicializace...", "vypsáno"}));
}

TEST_P(MainViewContract, StatusShowsWhatTheLogicSets) {
  Open();
  view().SetLampBusy(true);
  EXPECT_EQ(driver->Picture("icom"), driver->Picture("icom1"));
  view().SetLampBusy(false);
  EXPECT_EQ(driver->Picture("icom"), driver->Picture("icom0"));
  view().SetProgressMaximum(7);
  view().SetProgress(5);
  EXPECT_EQ(driver->Progress().maximum, 7);
  EXPECT_EQ(driver->Progress().value, 5);
  view().SetRequestText("QQ_RD 00 01 02|");
  view().SetAnswerText("QQ_RD 00 01 02 2A 00 00 00|");
  EXPECT_EQ(driver->Component("Edit1").value_or(ComponentSeen{}).text, "QQ_RD 00 01 02|");
  EXPECT_EQ(driver->Component("Edit2").value_or(ComponentSeen{}).text,
            "QQ_RD 00 01 02 2A 00 00 00|");
}

TEST_P(MainViewContract, ButtonsReachTheLogic) {
  Open();
  view().SetCanButtonsEnabled(true);
  driver->Click("CAN0");
  driver->Click("CAN1");
  EXPECT_EQ(driver->LogLines(), (Lines{"Inicializace...", "CAN stop", "CAN start"}));
  view().SetCanButtonsEnabled(false);
  driver->Click("CAN0");
  EXPECT_EQ(driver->LogLines().size(), 3u);

  ASSERT_NE(window->Link.Comm, nullptr);
  window->Link.Comm->AbortFlag = false;
  driver->Click("Button1");
  EXPECT_TRUE(window->Link.Comm->AbortFlag);
}

TEST_P(MainViewContract, CloseWithoutPermissionIsRefusedInACzechBox) {
  Open(driver->Boxes());
  const std::optional<BoxSeen> seen = driver->RequestCloseAnswering("OK");
  ASSERT_TRUE(seen.has_value()) << "no box";
  EXPECT_EQ(seen->title, "Informace");
  EXPECT_EQ(seen->text, "Nemáte oprávnění k této akci.");
  EXPECT_TRUE(seen->information_icon);
  EXPECT_EQ(seen->buttons, Lines{"OK"});
  EXPECT_TRUE(driver->WindowOpen());
  EXPECT_EQ(closed, 0);
}

TEST_P(MainViewContract, IconDoubleClickPermitsTheClose) {
  Open();
  driver->DoubleClick("Image1");
  const Lines lines = driver->LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Uzavření povoleno.");
  driver->RequestClose();
  EXPECT_TRUE(scripted.shown.empty());
  EXPECT_FALSE(driver->WindowOpen());
  EXPECT_EQ(closed, 1);
}

TEST_P(MainViewContract, SecondIconDoubleClickClosesTheWindowByItself) {
  Open();
  driver->DoubleClick("Image1");
  driver->DoubleClick("Image1");
  EXPECT_EQ(closed, 0) << "the close comes from a timer, not from the click";
  PumpUntil([&] { return closed > 0; });
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(driver->WindowOpen());
  EXPECT_TRUE(scripted.shown.empty());
}

TEST_P(MainViewContract, FirstLineReadsInicializaceOkOnceStarted) {
  Open(scripted, true);
  Lines lines;
  PumpUntil([&] {
    lines = driver->LogLines();
    return !lines.empty() && lines.front() != "Inicializace...";
  });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Inicializace...OK");
}

}  // namespace korvex
