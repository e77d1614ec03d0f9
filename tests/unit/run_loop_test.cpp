#include "common/text_helpers.h"
#include "support/bytes.h"
#include "support/fake_controller.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

const std::string P = Hex("00 01 02");
const std::string Q = Hex("00 01 03");
const std::string R = Hex("0A 0B 0C");

constexpr std::int64_t kHost = 111;

class RunLoop : public WindowFixture {
 protected:
  void SetUp() override {
    Create({"/DDE"});
    OpenTcpLink();
    controller.items = {{P, 42}, {Q, 0x01020304}, {R, 7}};
    Host(0, kHost);
    window->StartRunPasses();
  }

  // A message from the host, through the desktop.
  void Host(std::uint32_t wparam, std::int64_t lparam, std::string text = {}) {
    desktop.Deliver(window->HostLink().HostMsg(), wparam, lparam, std::move(text));
  }
  static std::string Spaced(const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) text += " " + ByteToHex(c);
    return text;
  }
  void Read(const std::string& code) { Host(1, 0, "QQ_RD" + Spaced(code) + "|"); }
  void Write(const std::string& code, std::uint32_t value) {
    Host(1, 0, "QQ_WR" + Spaced(code + FakeController::Value(value)) + "|");
  }
  // The texts the host has received.
  std::vector<std::string> Answers() const {
    std::vector<std::string> texts;
    for (const auto& sent : desktop.outgoing) {
      if (sent.window == kHost && sent.wparam == 2) texts.push_back(sent.text);
    }
    return texts;
  }

  FakeController controller{socket};
};

TEST_F(RunLoop, MergedReadsGoOutAsOneRequestAndAreAnsweredInOrder) {
  window->SetLinkReady(false);
  window->PushTran(1, 7, 0, 0, "x");
  Read(P);
  Read(Q);
  Read(R);
  Advance(300);
  EXPECT_TRUE(controller.requests.empty()) << "no pass while the link is not ready";
  ASSERT_EQ(TranCount(window->Queue()), 4);

  Host(2, 0, "předáno|");
  window->Button1Click();  // "X com" while idle: the next pass starts afresh
  window->SetLinkReady(true);
  Advance(100);
  EXPECT_EQ(controller.requests, std::vector<std::string>{"Qq" + P + Q + R})
      << "the entry of another kind goes without a transaction";
  EXPECT_EQ(Answers(), (std::vector<std::string>{"QQ_RD 00 01 02 2A 00 00 00|",
                                                 "QQ_RD 00 01 03 04 03 02 01|",
                                                 "QQ_RD 0A 0B 0C 07 00 00 00|", "předáno|"}))
      << "a relayed text leaves in the same drain, after the values";
  EXPECT_EQ(view.answer_text, "předáno|");
  EXPECT_TRUE(view.lines.empty()) << "successful reads log nothing";
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(view.progress_maximum, 2);
  EXPECT_EQ(view.progress, 0);
  EXPECT_FALSE(view.lamp_busy);
  EXPECT_FALSE(window->RunPassBusy());
  EXPECT_TRUE(window->Queue().Empty());
  EXPECT_FALSE(window->Comm()->ShowProgress());
}

TEST_F(RunLoop, WriteSetsReadsOfItsItemAsideAndReadsItAgainNextPass) {
  Write(P, 0x1234);
  Read(P);
  Read(Q);
  Read(P);
  Advance(100);
  ASSERT_EQ(controller.requests.size(), 2u);
  EXPECT_EQ(controller.requests[0], "QQ" + P + Hex("34 12 00 00"));
  EXPECT_EQ(controller.requests[1], "Qq" + Q);
  ASSERT_EQ(view.lines.size(), 1u);
  EXPECT_EQ(view.lines[0], "QQ/W: 00 01 02 34 12 00 00 ");
  ASSERT_EQ(TranCount(window->Queue()), 1) << "one read of the written item, for the next pass";
  Advance(100);
  ASSERT_EQ(controller.requests.size(), 3u);
  EXPECT_EQ(controller.requests[2], "Qq" + P);
  EXPECT_EQ(Answers(), (std::vector<std::string>{"QQ_RD 00 01 03 04 03 02 01|",
                                                 "QQ_RD 00 01 02 34 12 00 00|"}));
}

// Consecutive failures: silent answers, the answers given to the question,
// and what the pass shows at its end.
struct FailureCase {
  const char* name;
  std::set<std::size_t> unanswered;
  std::vector<MessageButton> answers;
  std::size_t questions;
  bool stopped;
  std::size_t write_attempts;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class RunLoopFailures : public RunLoop, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RunLoopFailures, AskFromTheThirdFailureOn) {
  const FailureCase& c = GetParam();
  controller.unanswered = c.unanswered;
  boxes.answers.assign(c.answers.begin(), c.answers.end());
  Write(Q, 5);
  Read(P);
  Advance(100 + 3100 * static_cast<int>(c.unanswered.size()) + 100);
  ASSERT_EQ(boxes.shown.size(), c.questions);
  for (const auto& box : boxes.shown) {
    EXPECT_EQ(box.kind, MessageKind::kError);
    EXPECT_EQ(box.text, "Chyba komunikace !\rPřerušit ?");
    EXPECT_EQ(box.buttons, (std::vector<MessageButton>{MessageButton::kYes, MessageButton::kNo}));
  }
  // The write is logged before each of its attempts.
  const std::string logged = "QQ/W: 00 01 03 05 00 00 00 ";
  if (c.stopped) {
    ASSERT_EQ(view.lines.size(), 4u);
    EXPECT_EQ(view.lines[1], logged);
    EXPECT_EQ(view.lines[2], logged + "CHYBA !");
    EXPECT_EQ(view.lines[3], "Po chybě komunikace zápisů nebylo provedeno: 1.");
    EXPECT_EQ(controller.requests.size(), 3u) << "the rest of the pass is dropped";
    EXPECT_TRUE(Answers().empty());
  } else {
    EXPECT_EQ(view.lines, std::vector<std::string>(c.write_attempts, logged));
    ASSERT_EQ(controller.requests.size(), c.unanswered.size() + 2);
    EXPECT_EQ(Answers(), std::vector<std::string>{"QQ_RD 00 01 02 2A 00 00 00|"});
  }
  EXPECT_EQ(view.progress, 0);
  EXPECT_FALSE(window->RunPassBusy());
}

INSTANTIATE_TEST_SUITE_P(
    , RunLoopFailures,
    ::testing::Values(
        // Two failures of the write, then two of the read: a success between
        // starts the count again.
        FailureCase{"TwoFailuresAreRetriedWithoutAsking", {0, 1, 3, 4}, {}, 0, false, 3},
        FailureCase{"NoRetriesAndTheNextFailureAsksAgain",
                    {0, 1, 2, 3},
                    {MessageButton::kNo, MessageButton::kNo},
                    2,
                    false,
                    5},
        FailureCase{"YesEndsThePass", {0, 1, 2}, {MessageButton::kYes}, 1, true, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunLoop, ReadAnswerOfAnotherLengthIsAFailedAttempt) {
  int answers = 0;
  controller.script = [&answers](const std::string& request) {
    // First a late answer to a two-item read, then one a value short.
    ++answers;
    if (answers == 1) return "Qx" + FakeController::Value(1) + FakeController::Value(2);
    if (answers == 2) return std::string("Qx\x01\x02\x03", 5);
    std::string values = "Qx";
    for (std::size_t at = 2; at < request.size(); at += 3) values += FakeController::Value(9);
    return values;
  };
  Read(P);
  Advance(100);
  EXPECT_EQ(controller.requests.size(), 3u);
  EXPECT_EQ(Answers(), std::vector<std::string>{"QQ_RD 00 01 02 09 00 00 00|"});
  EXPECT_TRUE(boxes.shown.empty());
}

// A host that does not reply costs one bounded wait per pass; what else the
// pass has for it is dropped, and the log names the window waited for.
TEST_F(RunLoop, SilentHostCostsOneWaitPerPass) {
  desktop.results[kHost] = SendResult::kTimedOut;
  Host(1, 0, "QQ_RS 00 02 00|");
  Write(R, 1);
  Read(P);
  Advance(100);
  EXPECT_EQ(controller.requests.size(), 3u);
  EXPECT_EQ(Answers().size(), 1u) << "one wait, in the first of the two drains";
  EXPECT_EQ(view.lines,
            (std::vector<std::string>{
                "Nadřízená aplikace (popisovač 111) neodpověděla do 5 s; zahazuji čekající "
                "odpovědi: 7.",
                "QQ/W: 0A 0B 0C 01 00 00 00 ",
                "Nadřízená aplikace (popisovač 111) neodpovídá; zahozeno dalších odpovědí: 1."}));

  // The next pass waits once again; a host announcing itself meanwhile is
  // not the one that kept silent.
  desktop.while_sending = [this] { Host(0, 222); };
  Read(Q);
  Advance(100);
  EXPECT_EQ(Answers().size(), 2u);
  EXPECT_EQ(view.lines.back(),
            "Nadřízená aplikace (popisovač 111) neodpověděla do 5 s; pokračuji.");
  EXPECT_EQ(window->Config().HostWnd, 222);
}

TEST_F(RunLoop, CloseDuringAPassEndsItWithPrerusenoAndClosesTheWindow) {
  controller.unanswered = {0};
  controller.on_request = [this](const std::string&) {
    if (controller.requests.size() == 1) Host(1, 0, "CLOSE|");
  };
  Read(P);
  Write(Q, 1);
  Advance(100);
  EXPECT_FALSE(loop.TimerNamed("TimerRun").Enabled());
  EXPECT_EQ(controller.requests.size(), 1u) << "the rest of the pass is dropped";
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(Answers(), std::vector<std::string>{"KORVEX CLOSED|"});
  // The engine's own notice is gone with its log, which the close took away.
  EXPECT_EQ(view.lines, std::vector<std::string>{"Přerušeno."});
  EXPECT_FALSE(window->RunPassBusy());
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace korvex
