// The window's host channel and request interpreter on the in-process
// desktop.
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/window_fixture.h"

namespace korvex {
namespace {

constexpr std::uint32_t kMsg = 0xDD3C;
constexpr std::int64_t kOwn = FakeHostDesktop::kOwnHandle;
constexpr std::int64_t kAll = FakeHostDesktop::kAllWindows;
using Outgoing = FakeHostDesktop::Outgoing;

class HostChannel : public WindowFixture {
 protected:
  void SetUp() override { Create(); }
  void Message(std::uint32_t wparam, std::int64_t lparam, std::string text = {}) {
    desktop.Deliver(kMsg, wparam, lparam, std::move(text));
  }
  // The queue as "kind:hex data" strings.
  std::vector<std::string> Queue() const {
    std::vector<std::string> out;
    for (const TTranFronta* e = window->Queue().Head(); e; e = e->Next) {
      std::string text = std::to_string(e->Kind) + ":";
      for (unsigned char c : e->Data) {
        static const char* digits = "0123456789ABCDEF";
        text += digits[c >> 4];
        text += digits[c & 15];
      }
      out.push_back(text);
    }
    return out;
  }
};

TEST_F(HostChannel, RegistersTheMessageOrLogsWhyNot) {
  EXPECT_EQ(window->HostLink().HostMsg(), kMsg);
  EXPECT_TRUE(desktop.HasReceiver());
  desktop.refusal = "Plocha kanálu /x má práva 0755.";
  Create();
  EXPECT_EQ(window->HostLink().HostMsg(), 0u);
  EXPECT_EQ(view.lines, (std::vector<std::string>{"Inicializace..."}));
  window->TimerStartupTimer();
  ASSERT_GE(view.lines.size(), 2u);
  EXPECT_EQ(view.lines[0], "Inicializace...OK");
  EXPECT_EQ(view.lines[1], desktop.refusal);
  Message(0, 77);
  Message(1, 0, "QQ_RD 01 02 03|");
  EXPECT_EQ(window->Config().HostWnd, 0) << "the channel stays inert";
  EXPECT_TRUE(window->Queue().Empty());
  window.reset();
  EXPECT_FALSE(desktop.HasReceiver());
}

TEST_F(HostChannel, HandshakeBroadcastsOnceAndAnswersGoToTheLastHost) {
  window->AnnounceToHost();
  window->SendAnswer("abc");
  Message(0, kOwn);
  EXPECT_EQ(window->Config().HostWnd, 0) << "our own broadcast coming back";
  EXPECT_TRUE(desktop.outgoing.empty()) << "no host known yet";
  EXPECT_EQ(view.answer_text, "");
  Message(0, 111);
  Message(0, 222);
  EXPECT_EQ(window->Config().HostWnd, 222);
  EXPECT_TRUE(window->Config().HostWndSet);
  window->SendAnswer("abc");
  window->SendAnswer("abc|");
  EXPECT_EQ(view.answer_text, "abc|");
  window->AnnounceToHost();
  EXPECT_EQ(desktop.outgoing, (std::vector<Outgoing>{{kAll, kMsg, 0, kOwn, "", 0},
                                                     {222, kMsg, 2, 0, "abc|", 5000},
                                                     {222, kMsg, 2, 0, "abc|", 5000},
                                                     {222, kMsg, 0, kOwn, "", 5000}}));
  // A host named by the configuration is not broadcast to.
  WriteConfig("HWND 111 0 0 0\n");
  Create();
  ASSERT_TRUE(window->ReadINI());
  desktop.outgoing.clear();
  Message(0, 333);
  EXPECT_EQ(window->Config().HostWnd, 333);
  EXPECT_TRUE(desktop.outgoing.empty());
}

TEST_F(HostChannel, RequestsBecomeQueueEntries) {
  const struct {
    std::string text;
    std::vector<std::string> queue;
  } cases[] = {
      {"QQ_RD 01 02 03|", {"16:010203"}},
      {"qq_rd 01 02 03|", {"16:010203"}},
      {"QQ_RD 0a 0B 0c|", {"16:0A0B0C"}},
      {"QQ_RD 01 02 3|", {"16:010203"}},
      {"QQ_RD,01,02,03|", {"16:010203"}},
      {"QQ_RD 01 02 03 with trailing text|", {"16:010203"}},
      {"QQ_RS 10 20 FC|",
       {"16:1020FC", "16:1020FD", "16:1020FE", "16:1020FF", "16:102000", "16:102001", "16:102002",
        "16:102003"}},
      {"QQ_WR 00 01 02 02 01 00 00|", {"15:00010202010000"}},
      {"QQ_WR 00 01 02 02 01 00|", {}},
      {"QQ_WR 00 01 02 02 01 00 0|", {"15:00010202010000"}},
      {"QQ_RD 1 2 3|", {}},
      {"QQ_RD 01 02|", {}},
      {"QQ_RD 01 02 |", {}},
      {"QQ_RD 01 02 +3|", {}},
      {"QQ_RD 01 02 03", {}},
      {"QQ_XX 01 02 03|", {}},
      {"|", {}},
      {"QQ_R|", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    Create();
    view.answer_text = "before";
    Message(1, 0, c.text);
    EXPECT_EQ(Queue(), c.queue) << c.text;
    EXPECT_EQ(view.answer_text, c.queue.empty() ? "before" : c.text) << c.text;
    EXPECT_TRUE(window->HostLink().RequestTexts.empty()) << c.text;
    EXPECT_FALSE(loop.TimerNamed("TimerRemote").Enabled()) << c.text;
  }
}

TEST_F(HostChannel, OnlyWholeRequestsAreShownAndNothingIsJoined) {
  Message(1, 0, "QQ_RD 01");
  Message(1, 0, " 02 03|");
  EXPECT_TRUE(window->Queue().Empty());
  EXPECT_EQ(view.request_text, " 02 03|") << "Edit1 shows every whole text";
  Message(1, 0, "QQ_RD 01 02 03");
  EXPECT_EQ(view.request_text, " 02 03|");
}

TEST_F(HostChannel, CloseRequestsTheCloseAndTheHostGetsTheNotice) {
  for (const std::string text : {"CLOSE|", "close|", "CLOSED|"}) {
    Create();
    Message(0, 111);
    window->StartRunPasses();
    Message(1, 0, text);
    EXPECT_TRUE(window->Queue().Empty());
    Advance(99);
    EXPECT_FALSE(view.closed) << text;
    Advance(1);
    EXPECT_TRUE(view.closed) << text;
    EXPECT_FALSE(loop.TimerNamed("TimerRun").Enabled()) << text;
    EXPECT_EQ(desktop.outgoing.back(), (Outgoing{111, kMsg, 2, 0, "KORVEX CLOSED|", 5000}));
    desktop.outgoing.clear();
    view.closed = false;
  }
}

TEST_F(HostChannel, OtherMessagesChangeNothingNorDoesAnythingOnceClosingIsPermitted) {
  desktop.Deliver(kMsg + 1, 0, 111);
  desktop.Deliver(kMsg + 1, 1, 0, "QQ_RD 01 02 03|");
  Message(3, 111, "QQ_RD 01 02 03|");
  EXPECT_EQ(window->Config().HostWnd, 0);
  EXPECT_TRUE(window->Queue().Empty());
  EXPECT_EQ(view.request_text, "");

  Message(0, 111);
  desktop.outgoing.clear();
  window->Image1DblClick();
  Message(1, 0, "QQ_RD 01 02 03|");
  Message(0, 222);
  window->SendAnswer("abc");
  window->Image1DblClick();
  Advance(100);
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(window->Queue().Empty());
  EXPECT_EQ(window->Config().HostWnd, 111);
  EXPECT_TRUE(desktop.outgoing.empty()) << "no KORVEX CLOSED after the double click";
}

TEST_F(HostChannel, TextsToPassOnWaitInTheAnswerList) {
  view.answer_text = "x";
  Message(2, 0, "relay|");
  EXPECT_EQ(window->HostLink().AnswerTexts, TTextList{"relay|"});
  EXPECT_EQ(view.answer_text, "");
  Message(2, 0, "unterminated");
  Message(2, 0, "");
  EXPECT_EQ(window->HostLink().AnswerTexts, TTextList{"relay|"});
  EXPECT_EQ(view.answer_text, "");
  Message(2, 0, "bad");
  EXPECT_EQ(view.answer_text, "bad");
}

TEST_F(HostChannel, HostThatDoesNotReplyIsLoggedAndTheWindowGoesOn) {
  Message(0, 111);
  desktop.results[111] = SendResult::kTimedOut;
  // A request arriving while the window waits is still taken.
  desktop.while_sending = [this] {
    desktop.while_sending = nullptr;
    Message(1, 0, "QQ_RD 01 02 03|");
  };
  EXPECT_EQ(window->SendAnswer("abc"), 111) << "the caller says what follows";
  EXPECT_EQ(Queue(), std::vector<std::string>{"16:010203"});
  desktop.results[111] = SendResult::kNoReply;
  EXPECT_EQ(window->SendAnswer("abc"), 0) << "a host that went away is not waited for";
}

}  // namespace
}  // namespace korvex

namespace korvex {
namespace {

struct FileLines : LogSink {
  void AddLine(std::string_view) override {}
  void AppendToLastLine(std::string_view) override {}
  void FileLine(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

TEST_F(HostChannel, StatisticsFollowTheRequestAndReachTheLogFileEveryTenMinutes) {
  FileLines file;
  Create({}, &file);
  window->SkipStartup();
  Message(0, 77);
  Message(1, 0, "STATS|");
  Message(1, 0, "STATS|");  // before the first is answered: one set, the newest
  EXPECT_EQ(desktop.outgoing.size(), 1u) << "nothing but the broadcast inside the host's send";
  Advance(1);
  std::vector<std::string> answers;
  for (const Outgoing& o : desktop.outgoing) {
    if (o.window == 77 && o.wparam == 2) answers.push_back(o.text);
  }
  ASSERT_FALSE(answers.empty());
  EXPECT_TRUE(answers.front().starts_with("STATS transactions=0 ")) << answers.front();
  EXPECT_NE(answers.back().find(" requests_stats=2 "), std::string::npos) << answers.back();

  Advance(10 * 60 * 1000 - 2);
  EXPECT_TRUE(file.lines.empty());
  Advance(1);
  ASSERT_EQ(file.lines.size(), answers.size());
  EXPECT_EQ(file.lines.front(), answers.front().substr(0, answers.front().size() - 1))
      << "the texts without the channel's bar";
  EXPECT_NE(file.lines.back().find(" answers_sent=2 "), std::string::npos) << file.lines.back();
}

}  // namespace
}  // namespace korvex
