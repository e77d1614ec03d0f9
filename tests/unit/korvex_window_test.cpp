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
  EXPECT_TRUE(window->TimerStartup->Enabled());
  EXPECT_FALSE(window->Timer1->Enabled());
  EXPECT_FALSE(window->TimerRemote->Enabled());
  EXPECT_FALSE(window->TimerRun->Enabled());
  EXPECT_EQ(window->LinkSetup.Baudrate, 38400);
  EXPECT_EQ(window->TcpSetup.Host, "127.0.0.1");
  EXPECT_EQ(window->TcpSetup.Port, 1998u);
  ASSERT_NE(window->Link.Comm, nullptr);
  EXPECT_NE(window->Link.Comm->Timer(), nullptr);
  EXPECT_FALSE(window->Link.Opened);
}

TEST_F(Window, TimerIntervalsAreThoseOfTheWindow) {
  Create();
  EXPECT_EQ(window->TimerStartup->Interval(), 100);
  EXPECT_EQ(window->Timer1->Interval(), 1000);
  EXPECT_EQ(window->TimerRemote->Interval(), 100);
  EXPECT_EQ(window->TimerRun->Interval(), 100);
  EXPECT_EQ(window->Link.Comm->Timer()->Interval(), 100);
  EXPECT_EQ(window->Link.Comm->Timer()->Name(), "VARDOS_COMM_TIMER");
}

TEST_F(Window, FirstStartupTickCompletesTheFirstLineAndRunsTheSequenceOnce) {
  Create();
  Advance(99);
  EXPECT_EQ(view.lines, std::vector<std::string>{"Inicializace..."});
  Advance(1);
  ASSERT_GE(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[0], "Inicializace...OK");
  EXPECT_FALSE(window->TimerStartup->Enabled());
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
  EXPECT_FALSE(window->Link.Comm->Closing()) << "a refused close changes nothing";
}

TEST_F(Window, FirstDoubleClickPermitsTheCloseBox) {
  Create();
  window->Image1DblClick();
  EXPECT_TRUE(window->ClosePermitted());
  EXPECT_EQ(view.lines.back(), "Uzavření povoleno.");
  window->CloseRequestedByUser();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(window->TimerStartup->Enabled()) << "the close stops every timer";
  EXPECT_EQ(window->Link.Comm->Timer(), nullptr) << "the link is closed";
}

TEST_F(Window, SecondDoubleClickClosesHundredMillisecondsLater) {
  Create();
  window->Image1DblClick();
  window->Image1DblClick();
  EXPECT_EQ(window->RequestedClose(), eCloseCode::ccClose);
  EXPECT_TRUE(window->TimerRemote->Enabled());
  Advance(99);
  EXPECT_FALSE(view.closed);
  Advance(1);
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(window->TimerRemote->Enabled());
}

TEST_F(Window, RequestedCloseIsDeferredAndPermitsItself) {
  Create();
  window->TimerStartup->SetEnabled(false);
  window->TimerRun->SetEnabled(true);
  window->RequestClose(eCloseCode::ccClose);
  EXPECT_FALSE(view.closed) << "never inside the caller's call chain";
  Advance(100);
  EXPECT_TRUE(window->ClosePermitted());
  EXPECT_TRUE(view.closed);
  EXPECT_FALSE(window->TimerRun->Enabled());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Window, CloseCodeOtherThanCloseDoesNotClose) {
  Create();
  window->TimerStartup->SetEnabled(false);
  window->RequestClose(eCloseCode::ccNone);
  Advance(200);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(window->TimerRemote->Enabled());
}

TEST_F(Window, PauseBoxHoldsBackWindowLinesButNotEngineLines) {
  Create();
  window->TimerStartup->SetEnabled(false);
  window->AppendLog("OK");
  // The link has its log before the box is ticked, as after the start-up.
  window->Link.Comm->SetLogMemo(&view);
  window->chbstopClick(true);
  window->WriteLog("skryto");
  window->AppendLog(" taky");
  window->Link.Comm->LogLine("Přerušeno uživatelem!");
  window->chbstopClick(false);
  window->WriteLog("zase");
  EXPECT_EQ(view.lines,
            (std::vector<std::string>{"Inicializace...OK", "Přerušeno uživatelem!", "zase"}));
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
  EXPECT_TRUE(window->Link.Comm->AbortFlag());
  EXPECT_EQ(view.lines.size(), 1u);
  EXPECT_FALSE(window->FormCanResize());
}

TEST_F(Window, ClosePermissionStopsNewQueueEntriesButNotPushedOnes) {
  Create();
  window->AddTran(1, kKindRead, 0, 0, "abc");
  window->Image1DblClick();
  window->AddTran(1, kKindRead, 0, 0, "def");
  window->PushTran(1, kKindWrite, 0, 0, "ghijklm");
  ASSERT_EQ(TranCount(window->Fronta), 2);
  EXPECT_EQ(window->Fronta.Head()->Data, "ghijklm");
  EXPECT_EQ(window->Fronta.Head()->Next->Data, "abc");
}

}  // namespace
}  // namespace korvex
