#include "locale/runtime_texts.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

using Window = WindowFixture;

TEST_F(Window, CreationShowsVersionIdleLampAndTheFirstLogLine) {
  Create();
  EXPECT_EQ(view.version, "Verze: 4.046 / 1.11.2005");
  EXPECT_FALSE(view.lamp_busy);
  EXPECT_EQ(view.progress, 0);
  EXPECT_FALSE(view.can_enabled);
  EXPECT_EQ(view.lines, std::vector<std::string>{"Inicializace..."});
  boxes.Show(MessageKind::kWarning, "?", {});
  EXPECT_EQ(boxes.shown.back().title, "Varování") << "Czech texts before any box";
  EXPECT_TRUE(loop.TimerNamed("TimerStartup").Enabled());
  EXPECT_FALSE(loop.TimerNamed("Timer1").Enabled());
  EXPECT_FALSE(loop.TimerNamed("TimerRemote").Enabled());
  EXPECT_FALSE(loop.TimerNamed("TimerRun").Enabled());
  EXPECT_EQ(window->Config().LinkSetup.Baudrate, 38400);
  EXPECT_EQ(window->Config().TcpSetup.Host, "127.0.0.1");
  EXPECT_EQ(window->Config().TcpSetup.Port, 1998u);
  ASSERT_NE(window->Comm(), nullptr);
  EXPECT_NE(window->Comm()->Timer(), nullptr);
  EXPECT_FALSE(window->LinkOpened());
}

TEST_F(Window, TimerIntervalsAreThoseOfTheWindow) {
  Create();
  EXPECT_EQ(loop.TimerNamed("TimerStartup").Interval(), 100);
  EXPECT_EQ(loop.TimerNamed("Timer1").Interval(), 1000);
  EXPECT_EQ(loop.TimerNamed("TimerRemote").Interval(), 100);
  EXPECT_EQ(loop.TimerNamed("TimerRun").Interval(), 100);
  EXPECT_EQ(window->Comm()->Timer()->Interval(), 100);
  EXPECT_EQ(window->Comm()->Timer()->Name(), "VARDOS_COMM_TIMER");
}

TEST_F(Window, FirstStartupTickCompletesTheFirstLineAndRunsTheSequenceOnce) {
  Create();
  Advance(99);
  EXPECT_EQ(view.lines, std::vector<std::string>{"Inicializace..."});
  Advance(1);
  ASSERT_GE(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[0], "Inicializace...OK");
  EXPECT_FALSE(loop.TimerNamed("TimerStartup").Enabled());
  EXPECT_EQ(boxes.shown.size(), 1u) << "no configuration here: the sequence's box";
  Advance(1000);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(Window, CloseWithoutPermissionShowsTheBoxAndKeepsTheWindow) {
  Create();
  window->CloseRequestedByUser();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::kInformation);
  EXPECT_EQ(boxes.shown[0].text, "Nemáte oprávnění k této akci.");
  EXPECT_EQ(boxes.shown[0].buttons, std::vector<MessageButton>{MessageButton::kOk});
  EXPECT_EQ(boxes.shown[0].title, "Informace") << "the window's Czech texts";
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(window->Comm()->Closing()) << "a refused close changes nothing";
}

TEST_F(Window, FirstDoubleClickPermitsTheCloseBox) {
  Create();
  window->Image1DblClick();
  EXPECT_TRUE(window->ClosePermitted());
  EXPECT_EQ(view.lines.back(), "Uzavření povoleno.");
  window->CloseRequestedByUser();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("TimerStartup").Enabled()) << "the close stops every timer";
  EXPECT_EQ(window->Comm()->Timer(), nullptr) << "the link is closed";
}

TEST_F(Window, SecondDoubleClickClosesHundredMillisecondsLater) {
  Create();
  window->Image1DblClick();
  window->Image1DblClick();
  EXPECT_EQ(window->RequestedClose(), eCloseCode::ccClose);
  EXPECT_TRUE(loop.TimerNamed("TimerRemote").Enabled());
  Advance(99);
  EXPECT_FALSE(view.closed);
  Advance(1);
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("TimerRemote").Enabled());
}

TEST_F(Window, RequestedCloseIsDeferredAndPermitsItself) {
  Create();
  window->SkipStartup();
  window->StartRunPasses();
  window->RequestClose(eCloseCode::ccClose);
  EXPECT_FALSE(view.closed) << "never inside the caller's call chain";
  Advance(100);
  EXPECT_TRUE(window->ClosePermitted());
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("TimerRun").Enabled());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Window, CloseCodeOtherThanCloseDoesNotClose) {
  Create();
  window->SkipStartup();
  window->RequestClose(eCloseCode::ccNone);
  Advance(200);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(loop.TimerNamed("TimerRemote").Enabled());
}

TEST_F(Window, PauseBoxHoldsBackWindowLinesButNotEngineLines) {
  WriteConfig("TCP 127.0.0.1 1998\n");
  Create();
  window->chbstopClick(true);
  Advance(100);  // the start-up sequence: the link describes itself
  window->chbstopClick(false);
  window->WriteLog("zase");
  EXPECT_EQ(view.lines, (std::vector<std::string>{
                            "Inicializace...", std::string(kLinkVersionLine),
                            "TCP/IP, Indy verze: " + socket.VersionText(),
                            "Tento počítač: " + socket.LocalHostName(), "Host: 127.0.0.1 : 1998",
                            "zase"}));
}

TEST_F(Window, CanButtonsLogTheirLines) {
  Create();
  window->CAN0Click();
  window->CAN1Click();
  ASSERT_EQ(view.lines.size(), 3u);
  EXPECT_EQ(view.lines[1], "CAN stop");
  EXPECT_EQ(view.lines[2], "CAN start");
}

TEST_F(Window, XComSetsTheAbortFlagOnly) {
  Create();
  window->Button1Click();
  EXPECT_TRUE(window->Comm()->AbortFlag());
  EXPECT_EQ(view.lines.size(), 1u);
  EXPECT_FALSE(window->FormCanResize());
}

TEST_F(Window, ClosePermissionStopsNewQueueEntriesButNotPushedOnes) {
  Create();
  window->AddTran(1, kKindRead, 0, 0, "abc");
  window->Image1DblClick();
  window->AddTran(1, kKindRead, 0, 0, "def");
  window->PushTran(1, kKindWrite, 0, 0, "ghijklm");
  ASSERT_EQ(TranCount(window->Queue()), 2);
  EXPECT_EQ(window->Queue().Head()->Data, "ghijklm");
  EXPECT_EQ(window->Queue().Head()->Next->Data, "abc");
}

}  // namespace
}  // namespace korvex
