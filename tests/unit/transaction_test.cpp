#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "czech_user_locale.h"
#include "support/fake_controller.h"
#include "support/link_fixture.h"

namespace korvex {
namespace {

class Transactions : public LinkFixture {
 protected:
  bool Open() {
    TTCPsetup tcp;
    tcp.Active = true;
    return link.Open(TLinkSetup{}, tcp, &log);
  }

  void AnswerEveryRequestWith(std::string bytes) {
    socket.on_write = [this, bytes](const std::string&) { socket.PeerSend(bytes); };
  }

  // After this every transaction has to connect anew.
  void OpenAndUseTheFirstConnection() {
    ASSERT_TRUE(Open());
    AnswerEveryRequestWith(kAnswer);
    std::string answer;
    ASSERT_TRUE(link.Transaction(kRead, answer));
  }
};

TEST_F(Transactions, OpenDescribesTheTcpLink) {
  ASSERT_TRUE(Open());
  EXPECT_EQ(log.lines,
            (std::vector<std::string>{"COM/TCP-Vardos, v.1.303", "TCP/IP, Indy verze: fake 1.0",
                                      "Tento počítač: testhost", "Host: 127.0.0.1 : 1998"}));
  EXPECT_EQ(socket.last_host, "127.0.0.1");
  EXPECT_EQ(socket.last_port, 1998);
  EXPECT_TRUE(comm().UseTCP());
}

TEST_F(Transactions, SerialLinkDescriptionWithDefaults) {
  EXPECT_EQ(SerialLinkDescription(TLinkSetup{}, "."), "RS232 COM1 38400Bd, Adr=1, Odezva=3.0s");
  TLinkSetup long_wait;
  long_wait.Timeout = 12.5;
  EXPECT_EQ(SerialLinkDescription(long_wait, ","), "RS232 COM1 38400Bd, Adr=1, Odezva=12,5s");
  long_wait.Timeout = 1e30;  // written out in full, as "%3.1f" does
  EXPECT_EQ(SerialLinkDescription(long_wait, "."),
            "RS232 COM1 38400Bd, Adr=1, Odezva=1000000000000000019884624838656.0s");
  TLinkSetup rs485;
  rs485.RS485 = true;
  EXPECT_EQ(SerialLinkDescription(rs485, ".").substr(0, 6), "RS485 ");
  rs485.Modem = true;
  EXPECT_EQ(SerialLinkDescription(rs485, ".").substr(0, 6), "MODEM ");
}

TEST_F(Transactions, ReadReturnsTheAnswerDataAndClosesTheConnection) {
  ASSERT_TRUE(Open());
  AnswerEveryRequestWith(kAnswer);
  std::string answer;
  ASSERT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(answer, kAnswerData);
  EXPECT_EQ(socket.written, std::vector<std::string>{kReadFrame});
  EXPECT_EQ(socket.open_sockets, 0) << "every transaction ends its connection";
  EXPECT_FALSE(comm().Timer()->Enabled());
  EXPECT_FALSE(comm().Busy());
}

TEST_F(Transactions, TwoTransactionsMakeTwoConnections) {
  ASSERT_TRUE(Open());
  AnswerEveryRequestWith(kAnswer);
  std::string answer;
  ASSERT_TRUE(link.Transaction(kRead, answer));
  ASSERT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(socket.connects, 2) << "the first uses the connection made by Open";
}

TEST_F(Transactions, OpenIsTrueOnlyWhenTheConnectionStandsHoweverLateTheOutcome) {
  using B = FakeSocketClient::ConnectBehaviour;
  const struct {
    B behaviour;
    bool opened;
  } cases[] = {
      {B::kAtOnce, true}, {B::kLater, true}, {B::kRefused, false}, {B::kRefusedLater, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.behaviour));
    TVardosLink other;
    other.Init(loop);
    other.Setup(serial, socket);
    socket.behaviour = c.behaviour;
    TTCPsetup tcp;
    tcp.Active = true;
    EXPECT_EQ(other.Open(TLinkSetup{}, tcp, &log), c.opened);
    EXPECT_EQ(other.Opened, c.opened);
    const std::int64_t start = loop.Now();
    const int connects = socket.connects;
    EXPECT_EQ(other.Comm->WaitConnect(), c.opened);
    std::string answer;
    AnswerEveryRequestWith(kAnswer);
    EXPECT_EQ(other.Transaction(kRead, answer), c.opened);
    if (!c.opened) {
      EXPECT_EQ(loop.Now(), start) << "a link that never stood waits for nothing";
      EXPECT_EQ(socket.connects, connects) << "and makes no fresh connect";
    }
    other.Done();
  }
}

TEST_F(Transactions, XComEndsTheConnectWaitOfOpen) {
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kNever;
  Later(500, [this] { comm().Abort(); });
  EXPECT_FALSE(Open());
  EXPECT_EQ(loop.Now(), 500);
  EXPECT_EQ(socket.open_sockets, 0) << "the connect under way is dropped";
}

TEST_F(Transactions, CloseEndsAConnectUnderWay) {
  ASSERT_NO_FATAL_FAILURE(OpenAndUseTheFirstConnection());
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kNever;
  Later(1000, [this] {
    link.Close();
    EXPECT_EQ(socket.open_sockets, 0);
    EXPECT_FALSE(comm().Client()->Connecting());
  });
  Later(5000, [this] { comm().Abort(); });  // so that a fault fails instead of hanging
  const std::int64_t start = loop.Now();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now() - start, 1000) << "the wait ends with the close";
}

TEST_F(Transactions, FailedWriteTakesTheLinkDownAtOnce) {
  ASSERT_TRUE(Open());
  socket.fail_writes = true;
  const std::int64_t start = loop.Now();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now(), start);
  EXPECT_FALSE(comm().TimedOut());
  EXPECT_EQ(socket.open_sockets, 0);
}

TEST_F(Transactions, XComPressedWhileIdleDoesNotFailTheNextTransaction) {
  ASSERT_TRUE(Open());
  comm().Abort();
  AnswerEveryRequestWith(kAnswer);
  std::string answer;
  EXPECT_TRUE(link.Transaction(kRead, answer));
}

TEST_F(Transactions, SerialLinkLineUsesTheUsersDecimalSeparator) {
  if (!CzechUserLocale::kSwitchable) GTEST_SKIP() << "the process keeps its starting locale";
  {
    CzechUserLocale czech;
    ASSERT_TRUE(czech.Active()) << "localedef and the Debian package locales make a Czech locale";
    TLinkSetup serial;
    serial.Timeout = 2.5;
    EXPECT_TRUE(link.Open(serial, TTCPsetup{}, &log)) << "COM1 of the recording port layer";
  }
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[1], "RS232 COM1 38400Bd, Adr=1, Odezva=2,5s");
  EXPECT_EQ(std::strtod("2.5", nullptr), 2.5) << "reading numbers does not follow the locale";
}

TEST_F(Transactions, AfterAReconnectTheAnswerHasItsOwnTimeOut) {
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kLater;
  ASSERT_TRUE(Open());
  AnswerEveryRequestWith(kAnswer);
  std::string answer;
  ASSERT_TRUE(link.Transaction(kRead, answer));
  socket.on_write = nullptr;
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer)) << "reconnects, then gets no answer";
  EXPECT_EQ(loop.Now() - start, 3000) << "not the connection limit";
  ASSERT_GE(log.lines.size(), 2u);
  EXPECT_TRUE(log.lines[log.lines.size() - 2].ends_with("bez odpovědi!"));
}

TEST_F(Transactions, TimeOutOnTheThirtiethTickWithProgressDots) {
  ASSERT_TRUE(Open());
  const std::int64_t start = loop.Now();
  std::string answer = "unchanged";
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now() - start, 3000);
  EXPECT_TRUE(comm().TimedOut());
  EXPECT_EQ(answer, "unchanged");
  ASSERT_GE(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[log.lines.size() - 2], "Host: 127.0.0.1 : 1998...bez odpovědi!");
  EXPECT_EQ(log.lines.back(), "");
}

TEST_F(Transactions, WithoutShowProgressATimeOutIsSilent) {
  ASSERT_TRUE(Open());
  comm().SetQuiet();
  const std::size_t lines_before = log.lines.size();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(comm().TimedOut());
  EXPECT_EQ(log.lines.size(), lines_before);
  EXPECT_EQ(log.lines.back(), "Host: 127.0.0.1 : 1998");
}

TEST_F(Transactions, DotTicksCarryOverBetweenTransactions) {
  ASSERT_TRUE(Open());
  socket.on_write = [this](const std::string&) {
    Later(550, [this] { socket.PeerSend(kAnswer); });
  };
  std::string answer;
  ASSERT_TRUE(link.Transaction(kRead, answer));  // five ticks counted
  socket.on_write = nullptr;
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  ASSERT_EQ(log.dot_times.size(), 3u);
  EXPECT_EQ(log.dot_times[0] - start, 500) << "the first dot comes early";
  EXPECT_EQ(log.dot_times[1] - start, 1500);
}

TEST_F(Transactions, ConnectionLimitOnTheSixHundredthTick) {
  ASSERT_NO_FATAL_FAILURE(OpenAndUseTheFirstConnection());
  std::string answer;
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kNever;
  const std::size_t lines_before = log.lines.size();
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now() - start, 60000);
  EXPECT_EQ(log.lines.size(), lines_before) << "no dots while connecting";
  EXPECT_EQ(socket.written.size(), 1u);
}

TEST_F(Transactions, XComEndsTheWaitWithALogLine) {
  ASSERT_TRUE(Open());
  Later(1000, [this] { comm().Abort(); });
  const std::int64_t start = loop.Now();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now() - start, 1000);
  EXPECT_EQ(log.lines.back(), "Přerušeno uživatelem!");
  EXPECT_EQ(socket.open_sockets, 0);
}

TEST_F(Transactions, XComEndsAConnectionWait) {
  ASSERT_NO_FATAL_FAILURE(OpenAndUseTheFirstConnection());
  std::string answer;
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kNever;
  Later(2000, [this] { comm().AbortTransaction(); });
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now() - start, 2000);
  EXPECT_EQ(log.lines.back(), "Přerušeno uživatelem!");
}

TEST_F(Transactions, AnswerFollowedAtOnceByThePeersCloseCounts) {
  ASSERT_TRUE(Open());
  socket.on_write = [this](const std::string&) {
    socket.PeerSend(Hex("00 FF") + kAnswer);
    socket.PeerClose();
  };
  std::string answer;
  EXPECT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(answer, kAnswerData);
}

TEST_F(Transactions, PeerClosingWithoutAnAnswerEndsTheWaitAtOnce) {
  ASSERT_TRUE(Open());
  socket.on_write = [this](const std::string&) {
    socket.PeerSend(kAnswer.substr(0, 9));
    socket.PeerClose();
  };
  const std::int64_t start = loop.Now();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now(), start);
  EXPECT_FALSE(comm().TimedOut());
}

TEST_F(Transactions, AnswerInSegmentsAndAfterNoiseIsAccepted) {
  ASSERT_TRUE(Open());
  socket.on_write = [this](const std::string&) {
    socket.PeerSend(Hex("00 FF E1") + kAnswer.substr(0, 6));
    Later(50, [this] { socket.PeerSend(kAnswer.substr(6)); });
  };
  std::string answer;
  EXPECT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(answer, kAnswerData);
}

TEST_F(Transactions, InvalidAnswersAreDiscardedAndTheWaitGoesOn) {
  ASSERT_TRUE(Open());
  std::string bad = kAnswer;
  bad.back() ^= 0x40;
  socket.on_write = [this, bad](const std::string&) {
    socket.PeerSend(bad);
    Later(200, [this] { socket.PeerSend(kAnswer); });
  };
  std::string answer;
  EXPECT_TRUE(link.Transaction(kRead, answer)) << "a later valid answer is still taken";

  AnswerEveryRequestWith(bad);
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(comm().TimedOut());
}

TEST_F(Transactions, LinkNotOpenedReturnsAtOnce) {
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
  EXPECT_FALSE(Open());
  EXPECT_TRUE(comm().Client()->ConnectFailed);
  const std::size_t lines_before = log.lines.size();
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(socket.written.empty());
  EXPECT_FALSE(comm().Timer()->Enabled());
  EXPECT_EQ(log.lines.size(), lines_before);
}

TEST_F(Transactions, RefusedConnectEndsTheTransactionWithoutWaiting) {
  ASSERT_NO_FATAL_FAILURE(OpenAndUseTheFirstConnection());
  std::string answer;
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(loop.Now(), start);
}

TEST_F(Transactions, OverlongRequestIsRefusedBeforeSending) {
  ASSERT_TRUE(Open());
  std::string answer;
  EXPECT_FALSE(link.Transaction(std::string(251, 'a'), answer));
  EXPECT_TRUE(socket.written.empty());
  EXPECT_EQ(log.lines.back(), "Požadavek je příliš dlouhý (251 bajtů, nejvýše 250), neodeslán.");
  EXPECT_FALSE(comm().Busy());
}

TEST_F(Transactions, CloseIsFinal) {
  ASSERT_TRUE(Open());
  link.Close();
  EXPECT_FALSE(link.Opened);
  EXPECT_EQ(comm().Timer(), nullptr);
  EXPECT_EQ(socket.open_sockets, 0);
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
}

}  // namespace
}  // namespace korvex

namespace korvex {
namespace {

// Each failed transaction is counted once, under its own cause: the frame a
// transaction before it threw away does not name it.
const std::string kBadCheckAnswer = Hex("E1 5C 00 0B 00 00 00 01 51 78 04 03 02 01 28");
const std::string kOtherAnswer = Hex("E1 5C 00 0B 00 00 00 02 51 78 04 03 02 01 24");
enum class Peer { kSilent, kBadCheck, kOtherController, kRefusing, kUnopened, kXCom };
struct FailureCase {
  const char* name;
  Peer peer;
  TransactionFailure cause;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class CountedFailures : public Transactions, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CountedFailures, UnderTheirCause) {
  ASSERT_NO_FATAL_FAILURE(OpenAndUseTheFirstConnection());
  comm().SetResponseTimeout(0.3);
  std::string answer;
  AnswerEveryRequestWith(kBadCheckAnswer);
  EXPECT_FALSE(link.Transaction(kRead, answer));
  LinkStatistics stats;
  comm().SetStats(&stats);
  socket.on_write = [](const std::string&) {};
  switch (GetParam().peer) {
    case Peer::kSilent:
      break;
    case Peer::kBadCheck:
      AnswerEveryRequestWith(kBadCheckAnswer);
      break;
    case Peer::kOtherController:
      AnswerEveryRequestWith(kOtherAnswer);
      break;
    case Peer::kRefusing:
      socket.behaviour = FakeSocketClient::ConnectBehaviour::kRefused;
      break;
    case Peer::kUnopened:
      link.Opened = false;
      break;
    case Peer::kXCom:
      Later(100, [this] { comm().Abort(); });
      break;
  }
  EXPECT_FALSE(link.Transaction(kRead, answer));
  std::array<std::uint64_t, 5> expected{};
  expected[static_cast<std::size_t>(GetParam().cause)] = 1;
  EXPECT_EQ(stats.failed, expected);
  EXPECT_EQ(stats.attempted, 1u);
  FakeController controller(socket);
  link.Opened = true;
  socket.behaviour = FakeSocketClient::ConnectBehaviour::kAtOnce;
  EXPECT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(stats.succeeded, 1u);
  EXPECT_EQ(stats.answer_times.Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    , CountedFailures,
    ::testing::Values(
        FailureCase{"NoAnswer", Peer::kSilent, TransactionFailure::kTimeout},
        FailureCase{"BadCheckByte", Peer::kBadCheck, TransactionFailure::kBadCheck},
        FailureCase{"OtherController", Peer::kOtherController, TransactionFailure::kWrongAddress},
        FailureCase{"ConnectionRefused", Peer::kRefusing, TransactionFailure::kNoLink},
        FailureCase{"LinkNotOpened", Peer::kUnopened, TransactionFailure::kNoLink},
        FailureCase{"XCom", Peer::kXCom, TransactionFailure::kAborted}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvex
