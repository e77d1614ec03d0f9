// The real window with the communicator's logic behind it, on the Qt loop.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <memory>

#include "gui/drawn_pictures.h"
#include "gui/message_box_probe.h"
#include "gui/qt_event_loop.h"
#include "gui/qt_main_view.h"
#include "gui/qt_message_boxes.h"
#include "shell/korvex_window.h"
#include "support/designed_window.h"
#include "support/fake_host_desktop.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/scripted_message_boxes.h"

namespace korvex {
namespace {

class QtWindowTest : public ::testing::Test {
 protected:
  // Opens the window as the binary does. The startup sequence is left out
  // unless asked for: these tests are about the window.
  void Open(MessageBoxes& boxes, bool run_startup = false) {
    window = std::make_unique<TDlgKORVEX>(
        WindowPlatform{loop, view, boxes, socket, desktop, serial_port},
        std::vector<std::string>{});
    view.SetEvents(*window);
    window->FormCreate();
    if (!run_startup) window->TimerStartup->SetEnabled(false);
    form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
  }
  void Open() { Open(scripted); }

  MainForm& form() { return view.Form(); }

  QStringList LogLines() { return form().Memo1->toPlainText().split(QLatin1Char('\n')); }

  // Pumps the loop until `done`; a broken window fails instead of hanging.
  void PumpUntil(const std::function<bool()>& done) {
    bool gave_up = false;
    auto watchdog = loop.CreateTimer("watchdog", 10000, [&] { gave_up = true; });
    watchdog->SetEnabled(true);
    while (!done() && !gave_up) loop.HandleMessage();
    ASSERT_TRUE(done());
  }

  void DoubleClickIcon() { QTest::mouseDClick(form().Image1, Qt::LeftButton); }

  QtEventLoop loop;
  int closed = 0;
  QtMainView view{[this] { ++closed; }};
  ScriptedMessageBoxes scripted;
  FakeSocketClient socket;
  FakeHostDesktop desktop;
  FakeSerialPort serial_port;
  std::unique_ptr<TDlgKORVEX> window;
};

QString TextOf(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  return {};
}

TEST_F(QtWindowTest, EveryComponentHasItsPlaceTextHintAndState) {
  Open();
  for (const DesignedComponent& c : kDesignedComponents) {
    SCOPED_TRACE(c.name);
    auto* widget = form().findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr);
    const QRect at = widget->geometry();
    const QRect design(c.left, c.top, c.width, c.height);
    if (c.widens_to_text) {
      EXPECT_EQ(at.topLeft(), design.topLeft());
      EXPECT_EQ(at.height(), design.height());
      EXPECT_GE(at.width(), design.width());
      EXPECT_GE(at.width(), widget->sizeHint().width()) << "text cut off";
      EXPECT_LE(at.right(), form().width() - 1);
    } else {
      EXPECT_EQ(at, design);
    }
    if (c.text) {
      EXPECT_EQ(TextOf(widget), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(widget->toolTip(), QString::fromUtf8(c.hint));
    EXPECT_EQ(widget->isEnabled(), c.enabled);
    EXPECT_EQ(widget->isVisible(), c.visible);
  }
  EXPECT_LE(form().Label1->heightForWidth(177), 33) << "the title needs more than its two lines";
  EXPECT_FALSE(form().chbstop->isChecked());
  EXPECT_EQ(form().Bar1->minimum(), 0);
  EXPECT_EQ(form().Bar1->maximum(), 100);
  EXPECT_EQ(form().Bar1->value(), 0);
  EXPECT_FALSE(form().Bar1->isTextVisible());
  EXPECT_TRUE(form().Memo1->isReadOnly());
  EXPECT_EQ(form().Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(LogLines(), QStringList{"Inicializace..."});
  EXPECT_EQ(form().Image1->pixmap().toImage(), ProgramIcon().toImage());
  EXPECT_EQ(form().icom->pixmap().toImage(), IdleLamp().toImage());
  EXPECT_EQ(form().icom1->pixmap().toImage(), BusyLamp().toImage());
  EXPECT_NE(IdleLamp().toImage(), BusyLamp().toImage());
}

TEST_F(QtWindowTest, WindowIsFixedWithoutMaximiseAtItsPlace) {
  Open();
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Lumadex VX2"));
  EXPECT_EQ(form().size(), QSize(kDesignedClientWidth, kDesignedClientHeight));
  EXPECT_EQ(form().minimumSize(), form().maximumSize());
  form().resize(400, 400);
  EXPECT_EQ(form().size(), QSize(kDesignedClientWidth, kDesignedClientHeight));
  const Qt::WindowFlags flags = form().windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(form().pos(), QPoint(412, 271));
  view.MoveTo(100, 50);
  EXPECT_EQ(form().pos(), QPoint(100, 50));
  EXPECT_FALSE(form().windowIcon().isNull());
  EXPECT_EQ(form().font().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(form().font().pointSize(), 8);
  EXPECT_TRUE(form().Label1->font().bold());
  EXPECT_EQ(form().backgroundRole(), QPalette::Button);
}

TEST_F(QtWindowTest, LogAddsAndExtendsLinesAndShowsTheNewest) {
  Open();
  view.ClearLog();
  view.AddLine("");
  view.AddLine("Nahrát projekt ? > ");
  view.AppendToLastLine("Ano");
  EXPECT_EQ(LogLines(), (QStringList{"", "Nahrát projekt ? > Ano"}));

  view.ClearLog();
  view.AppendToLastLine("...");
  EXPECT_EQ(LogLines(), QStringList{"..."}) << "appending to an empty log starts a line";

  for (int i = 0; i < 200; ++i) view.AddLine("řádek " + std::to_string(i));
  QScrollBar* bar = form().Memo1->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  view.AppendToLastLine(".");
  EXPECT_EQ(LogLines().back(), QStringLiteral("řádek 199."));
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(QtWindowLog, KeepsItsNewestLinesUpToTheBound) {
  EXPECT_EQ(QtMainView([] {}).Form().Memo1->maximumBlockCount(), kWindowLogLines);
  QtMainView view([] {}, 3);
  const auto lines = [&view] { return view.Form().Memo1->toPlainText().split(QLatin1Char('\n')); };
  for (int round = 0; round < 2; ++round) {
    for (int i = 1; i <= 5; ++i) view.AddLine("řádek " + std::to_string(i));
    view.AppendToLastLine(" OK");
    EXPECT_EQ(lines(), (QStringList{"řádek 3", "řádek 4", "řádek 5 OK"}));
    view.ClearLog();
  }
}

TEST_F(QtWindowTest, PauseBoxHoldsBackTheWindowsLogLines) {
  Open();
  QTest::mouseClick(form().chbstop, Qt::LeftButton);
  ASSERT_TRUE(form().chbstop->isChecked());
  window->WriteLog("nevypsáno");
  window->AppendLog("!");
  QTest::mouseClick(form().chbstop, Qt::LeftButton);
  window->WriteLog("vypsáno");
  EXPECT_EQ(LogLines(), (QStringList{"Inicializace...", "vypsáno"}));
}

TEST_F(QtWindowTest, StatusShowsWhatTheLogicSets) {
  Open();
  view.SetLampBusy(true);
  EXPECT_EQ(form().icom->pixmap().toImage(), form().icom1->pixmap().toImage());
  view.SetLampBusy(false);
  EXPECT_EQ(form().icom->pixmap().toImage(), form().icom0->pixmap().toImage());
  view.SetProgress(42);
  EXPECT_EQ(form().Bar1->value(), 42);
  view.SetRequestText("QQ_RD 00 01 02|");
  view.SetAnswerText("QQ_RD 00 01 02 2A 00 00 00|");
  EXPECT_EQ(form().Edit1->text(), QStringLiteral("QQ_RD 00 01 02|"));
  EXPECT_EQ(form().Edit2->text(), QStringLiteral("QQ_RD 00 01 02 2A 00 00 00|"));
}

TEST_F(QtWindowTest, ButtonsReachTheLogic) {
  Open();
  view.SetCanButtonsEnabled(true);
  QTest::mouseClick(form().CAN0, Qt::LeftButton);
  QTest::mouseClick(form().CAN1, Qt::LeftButton);
  EXPECT_EQ(LogLines(), (QStringList{"Inicializace...", "CAN stop", "CAN start"}));
  view.SetCanButtonsEnabled(false);
  QTest::mouseClick(form().CAN0, Qt::LeftButton);
  EXPECT_EQ(LogLines().size(), 3);

  ASSERT_NE(window->Link.Comm, nullptr);
  window->Link.Comm->AbortFlag = false;
  QTest::mouseClick(form().Button1, Qt::LeftButton);
  EXPECT_TRUE(window->Link.Comm->AbortFlag);
}

TEST_F(QtWindowTest, CloseWithoutPermissionIsRefusedInACzechBox) {
  QtMessageBoxes boxes(&form());
  Open(boxes);
  MessageBoxProbe probe("OK");
  form().close();
  loop.ProcessMessages();
  ASSERT_TRUE(probe.seen.has_value()) << "no box";
  EXPECT_EQ(probe.seen->title, QStringLiteral("Informace"));
  EXPECT_EQ(probe.seen->text, QStringLiteral("Nemáte oprávnění k této akci."));
  EXPECT_EQ(probe.seen->icon, QMessageBox::Information);
  EXPECT_EQ(probe.seen->buttons, QStringList{"OK"});
  EXPECT_TRUE(form().isVisible());
  EXPECT_EQ(closed, 0);
}

TEST_F(QtWindowTest, IconDoubleClickPermitsTheClose) {
  Open();
  DoubleClickIcon();
  EXPECT_EQ(LogLines().back(), QStringLiteral("Uzavření povoleno."));
  form().close();
  loop.ProcessMessages();
  EXPECT_TRUE(scripted.shown.empty());
  EXPECT_FALSE(form().isVisible());
  EXPECT_EQ(closed, 1);
}

TEST_F(QtWindowTest, SecondIconDoubleClickClosesTheWindowByItself) {
  Open();
  DoubleClickIcon();
  DoubleClickIcon();
  PumpUntil([&] { return closed > 0; });
  EXPECT_FALSE(form().isVisible());
  EXPECT_TRUE(scripted.shown.empty());
}

TEST_F(QtWindowTest, FirstLineReadsInicializaceOkOnceStarted) {
  Open(scripted, true);
  PumpUntil([&] { return LogLines().front() != QStringLiteral("Inicializace..."); });
  EXPECT_EQ(LogLines().front(), QStringLiteral("Inicializace...OK"));
}

}  // namespace
}  // namespace korvex
