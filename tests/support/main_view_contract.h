// What the main window and its message boxes must show and do, whatever the
// toolkit, with the communicator's logic behind the window. Each toolkit's
// test binary instantiates it with a driver (see the Qt and Win32 ones):
// made with the callback to run once the window has closed, a driver gives the
// window's loop, view and boxes, does what a user does and reads back what the
// user sees, texts in UTF-8 with '\n' line breaks. Answering(press, act) and
// RequestClose(press) answer the box that `act` or the close brings up with
// the button `press`; none is expected without. Picture() is equal for equal pictures and empty for
// none; Progress() is the bar's minimum, maximum and value.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "locale/runtime_texts.h"
#include "shell/korvex_window.h"
#include "support/box_seen.h"
#include "support/designed_window.h"
#include "support/fake_host_desktop.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/scripted_message_boxes.h"

namespace korvex {

// In the window's client coordinates.
struct ComponentSeen {
  int left, top, width, height;
  std::string text, hint;
  bool enabled, visible;
};

// Left and top: the outer frame's corner on the screen.
struct FrameSeen {
  std::string title;
  int client_width, client_height, left, top;
  bool resizable, maximise_box, minimise_box, close_box;
};

template <class Driver>
class MainViewContract : public ::testing::Test {
 protected:
  // Opens the window as the binaries do, without the startup sequence: these
  // tests are about the window.
  void Open(MessageBoxes& boxes) {
    window = std::make_unique<TDlgKORVEX>(
        WindowPlatform{driver.Loop(), driver.View(), boxes, socket, desktop, serial_port},
        std::vector<std::string>{});
    driver.SetEvents(*window);
    window->FormCreate();
    window->SkipStartup();
    ASSERT_TRUE(driver.Show());
  }
  void Open() { Open(scripted); }

  // The driver's own boxes, shown without the window, in Czech as the
  // window's are.
  void CzechBoxes() {
    czech_texts.InstallCzechTexts();
    driver.Boxes().UseTexts(&czech_texts);
  }

  template <class Press>
  std::optional<BoxSeen> ShowBox(MessageKind kind, std::string_view text,
                                 const std::vector<MessageButton>& buttons, Press press) {
    MessageButton answer = MessageButton::kOk;
    std::optional<BoxSeen> box =
        driver.Answering(press, [&] { answer = driver.Boxes().Show(kind, text, buttons); });
    if (box) box->answer = answer;
    return box;
  }

  // Pumps the loop until `done`; a broken window fails instead of hanging.
  void PumpUntil(const std::function<bool()>& done) {
    bool gave_up = false;
    auto watchdog = driver.Loop().CreateTimer("watchdog", 10000, [&] { gave_up = true; });
    watchdog->SetEnabled(true);
    while (!done() && !gave_up) driver.Loop().HandleMessage();
    ASSERT_TRUE(done());
  }

  using Lines = std::vector<std::string>;
  Lines LogLines() {
    std::istringstream text(driver.LogText() + '\n');
    Lines lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  int closed = 0;
  RuntimeTexts czech_texts;
  Driver driver{[this] { ++closed; }};
  ScriptedMessageBoxes scripted;
  FakeSocketClient socket;
  FakeHostDesktop desktop;
  FakeSerialPort serial_port;
  std::unique_ptr<TDlgKORVEX> window;
};

TYPED_TEST_SUITE_P(MainViewContract);

TYPED_TEST_P(MainViewContract, WindowAndEveryComponentAreAtTheirPlacesWithTheirTextsAndStates) {
  this->Open();
  FrameSeen frame = this->driver.Frame();
  EXPECT_EQ(frame.title, "Lumadex VX2");
  EXPECT_EQ(std::pair(frame.client_width, frame.client_height),
            std::pair(kDesignedClientWidth, kDesignedClientHeight));
  EXPECT_EQ(std::tuple(frame.resizable, frame.maximise_box, frame.minimise_box, frame.close_box),
            std::tuple(false, false, true, true));
  EXPECT_EQ(std::pair(frame.left, frame.top), std::pair(412, 271));
  this->driver.View().MoveTo(100, 50);
  frame = this->driver.Frame();
  EXPECT_EQ(std::pair(frame.left, frame.top), std::pair(100, 50));
  auto& driver = this->driver;
  for (const DesignedComponent& c : kDesignedComponents) {
    SCOPED_TRACE(c.name);
    const std::optional<ComponentSeen> seen = driver.Component(c.name);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(std::pair(seen->left, seen->top), std::pair(c.left, c.top));
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
  EXPECT_FALSE(driver.PauseChecked());
  EXPECT_EQ(driver.Progress(), (std::array{0, 100, 0}));
  EXPECT_TRUE(driver.LogReadOnly());
  EXPECT_EQ(this->LogLines(), typename TestFixture::Lines{"Inicializace..."});
  EXPECT_NE(driver.Picture("Image1"), "");
  EXPECT_NE(driver.Picture("icom0"), "");
  EXPECT_NE(driver.Picture("icom1"), driver.Picture("icom0"));
  EXPECT_EQ(driver.Picture("icom"), driver.Picture("icom0"));
}

TYPED_TEST_P(MainViewContract, LogAddsAndExtendsLinesAndShowsTheNewest) {
  using Lines = typename TestFixture::Lines;
  this->Open();
  MainView& view = this->driver.View();
  view.ClearLog();
  view.AddLine("");
  view.AddLine("Nahrát projekt ? > ");
  view.AppendToLastLine("Ano");
  EXPECT_EQ(this->LogLines(), (Lines{"", "Nahrát projekt ? > Ano"}));

  view.ClearLog();
  view.AppendToLastLine("...");
  EXPECT_EQ(this->LogLines(), Lines{"..."}) << "appending to an empty log starts a line";

  for (int i = 0; i < 200; ++i) view.AddLine("řádek " + std::to_string(i));
  EXPECT_TRUE(this->driver.NewestLineShown());
  this->driver.ScrollLogToTop();
  ASSERT_FALSE(this->driver.NewestLineShown());
  view.AppendToLastLine(".");
  EXPECT_EQ(this->LogLines().back(), "řádek 199.");
  EXPECT_TRUE(this->driver.NewestLineShown());
}

TYPED_TEST_P(MainViewContract, ControlsReachTheLogicAndShowWhatItSets) {
  this->Open();
  auto& driver = this->driver;
  TDlgKORVEX& window = *this->window;
  driver.Click("chbstop");
  ASSERT_TRUE(driver.PauseChecked());
  window.WriteLog("nevypsáno");
  window.AppendLog("!");
  driver.Click("chbstop");
  window.WriteLog("vypsáno");
  driver.View().SetCanButtonsEnabled(true);
  driver.Click("CAN0");
  driver.Click("CAN1");
  const typename TestFixture::Lines lines{"Inicializace...", "vypsáno", "CAN stop", "CAN start"};
  EXPECT_EQ(this->LogLines(), lines);
  driver.View().SetCanButtonsEnabled(false);
  driver.Click("CAN0");
  EXPECT_EQ(this->LogLines(), lines) << "a disabled button takes no click";
  ASSERT_NE(window.Comm(), nullptr);
  EXPECT_FALSE(window.Comm()->AbortFlag());
  driver.Click("Button1");
  EXPECT_TRUE(window.Comm()->AbortFlag());

  driver.View().SetLampBusy(true);
  EXPECT_EQ(driver.Picture("icom"), driver.Picture("icom1"));
  driver.View().SetLampBusy(false);
  EXPECT_EQ(driver.Picture("icom"), driver.Picture("icom0"));
  driver.View().SetProgressMaximum(7);
  driver.View().SetProgress(5);
  EXPECT_EQ(driver.Progress(), (std::array{0, 7, 5}));
  driver.View().SetRequestText("QQ_RD 00 01 02|");
  driver.View().SetAnswerText("QQ_RD 00 01 02 2A 00 00 00|");
  EXPECT_EQ(driver.Component("Edit1").value_or(ComponentSeen{}).text, "QQ_RD 00 01 02|");
  EXPECT_EQ(driver.Component("Edit2").value_or(ComponentSeen{}).text,
            "QQ_RD 00 01 02 2A 00 00 00|");
}

TYPED_TEST_P(MainViewContract, CloseWithoutPermissionIsRefusedInACzechBox) {
  this->Open(this->driver.Boxes());
  const std::optional<BoxSeen> seen = this->driver.RequestClose("OK");
  ASSERT_TRUE(seen.has_value()) << "no box";
  // Its title, icon and button are those of every information box (below).
  EXPECT_EQ(seen->text, "Nemáte oprávnění k této akci.");
  EXPECT_TRUE(this->driver.WindowOpen());
  EXPECT_EQ(this->closed, 0);
}

TYPED_TEST_P(MainViewContract, IconDoubleClickPermitsTheClose) {
  this->Open();
  this->driver.DoubleClick("Image1");
  EXPECT_EQ(this->LogLines().back(), "Uzavření povoleno.");
  this->driver.RequestClose();
  EXPECT_TRUE(this->scripted.shown.empty());
  EXPECT_FALSE(this->driver.WindowOpen());
  EXPECT_EQ(this->closed, 1);
}

TYPED_TEST_P(MainViewContract, SecondIconDoubleClickClosesTheWindowByItself) {
  this->Open();
  this->driver.DoubleClick("Image1");
  this->driver.DoubleClick("Image1");
  EXPECT_EQ(this->closed, 0) << "the close comes from a timer, not from the click";
  this->PumpUntil([&] { return this->closed > 0; });
  EXPECT_EQ(this->closed, 1);
  EXPECT_FALSE(this->driver.WindowOpen());
  EXPECT_TRUE(this->scripted.shown.empty());
}

TYPED_TEST_P(MainViewContract, BoxesAreCzechAndAnswerAsPressed) {
  this->CzechBoxes();
  using enum MessageButton;
  using enum MessageKind;
  const std::vector<MessageButton> yes_no{kYes, kNo};
  const std::vector<std::string> ano_ne{"&Ano", "&Ne"};
  struct Case {
    MessageKind kind;
    std::vector<MessageButton> buttons;
    const char* press;  // "": Escape
    MessageButton answer;
    const char* title;
    const char* icon;
    std::vector<std::string> captions;
  };
  for (const Case& c :
       {Case{kError, yes_no, "&Ano", kYes, "Chyba", "Critical", ano_ne},
        Case{kError, yes_no, "", kNo, "Chyba", "Critical", ano_ne},
        Case{kWarning, yes_no, "&Ne", kNo, "Varování", "Warning", ano_ne},
        Case{kInformation, {}, "OK", kOk, "Informace", "Information", {"OK"}},
        Case{
            kConfirmation, {kOk, kCancel}, "", kCancel, "Potvrzení", "Question", {"OK", "Zpět"}}}) {
    SCOPED_TRACE(c.title + std::string(" ") + c.press);
    const std::optional<BoxSeen> box =
        this->ShowBox(c.kind, "Chyba komunikace !\rPřerušit ?", c.buttons, c.press);
    ASSERT_TRUE(box.has_value()) << "no box";
    EXPECT_EQ(box->answer, c.answer);
    EXPECT_EQ(box->title, c.title);
    EXPECT_EQ(box->text, "Chyba komunikace !\nPřerušit ?");
    EXPECT_EQ(box->icon, c.icon);
    EXPECT_EQ(box->buttons, c.captions);
    EXPECT_EQ(box->default_button, c.captions.front());
  }
}

REGISTER_TYPED_TEST_SUITE_P(
    MainViewContract, WindowAndEveryComponentAreAtTheirPlacesWithTheirTextsAndStates,
    LogAddsAndExtendsLinesAndShowsTheNewest, ControlsReachTheLogicAndShowWhatItSets,
    CloseWithoutPermissionIsRefusedInACzechBox, IconDoubleClickPermitsTheClose,
    SecondIconDoubleClickClosesTheWindowByItself, BoxesAreCzechAndAnswerAsPressed);

}  // namespace korvex
