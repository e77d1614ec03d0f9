// The link set-up and transactions over the serial port, against the
// recording port layer on virtual time. The receive events the port's thread
// would deliver are raised here on the loop thread, where they arrive.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "support/fake_controller.h"
#include "support/link_fixture.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;

class SerialLink : public LinkFixture {
 protected:
  bool Open(TLinkSetup setup = {}) {
    setup.Port = 3;
    setup.Timeout = 1.0;
    return link.Open(setup, TTCPsetup{}, &log);
  }

  // Bytes arrive and the port reports them, as its event thread does.
  void Arrive(const std::string& bytes) {
    serial_port.Receive(bytes);
    serial.OnRxData(serial);
  }
};

TEST_F(SerialLink, OpenConfiguresEachLineKindAndDescribesIt) {
  struct Case {
    bool rs485;
    bool modem;
    const char* description;
    std::uint32_t flags;
  };
  for (const Case& c : {Case{false, false, "RS232 COM3 19200Bd, Adr=1, Odezva=1.0s", 0x0001},
                        Case{true, false, "RS485 COM3 19200Bd, Adr=1, Odezva=1.0s", 0x2005},
                        Case{true, true, "MODEM COM3 19200Bd, Adr=1, Odezva=1.0s", 0x2005}}) {
    SCOPED_TRACE(c.description);
    log.lines.clear();
    serial_port.ClearCalls();
    TLinkSetup setup;
    setup.Baudrate = 19200;
    setup.RS485 = c.rs485;
    setup.Modem = c.modem;
    ASSERT_TRUE(Open(setup));
    EXPECT_TRUE(link.Opened);
    EXPECT_FALSE(comm().UseTCP());
    EXPECT_THAT(log.lines, ElementsAre("COM/TCP-Vardos, v.1.303", c.description));
    serial_port.holders = {"ModemManager (812)", "cat (4711)"};
    log.lines.clear();
    ASSERT_TRUE(Open(setup));
    EXPECT_EQ(log.lines.back(),
              "Varování: port COM3 má otevřený i ModemManager (812), cat (4711); může odebírat "
              "odpovědi řadiče.");
    serial_port.holders.clear();
    // Eight data bits, no parity, one stop bit, and parity not checked.
    EXPECT_EQ(serial_port.dcb(),
              (TDcb{28, 19200, c.flags, 341, 341, 8, 0, 0, 0x11, 0x13, '?', 0, 0}));
    std::vector<std::string> calls = serial_port.Calls();
    // Reopened for this case: the open comes with both queues of 1024, and
    // the pending operations are purged after it.
    ASSERT_GE(calls.size(), 9u);
    EXPECT_THAT(std::vector(calls.end() - 9, calls.end()),
                ElementsAre("Open 3", "SetupComm 1024 1024", "SetCommState", "SetCommTimeouts",
                            "EscapeCommFunction 5", "EscapeCommFunction 3", "SetCommMask 0x17D",
                            "PurgeComm 1", "PurgeComm 2"));
  }
}

TEST_F(SerialLink, TcpLeavesThePortClosedAndAPortThatWillNotOpenFailsTheLink) {
  TTCPsetup tcp;
  tcp.Active = true;
  ASSERT_TRUE(link.Open(TLinkSetup{}, tcp, &log));
  EXPECT_FALSE(serial.Opened());
  for (const std::string& call : serial_port.Calls()) EXPECT_NE(call.substr(0, 5), "Open ");

  serial_port.Fail("Open", 2);
  log.lines.clear();
  EXPECT_FALSE(Open());
  EXPECT_FALSE(link.Opened);
  ASSERT_EQ(log.lines.size(), 2u) << "the description is written all the same";
  std::string answer;
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(serial_port.Written().empty());
}

TEST_F(SerialLink, AnswerSplitAcrossReceiveEventsIsTakenWithItsLastByte) {
  ASSERT_TRUE(Open());
  serial_port.on_write = [this](const std::string&) {
    Arrive(Hex("00 FF") + kAnswer.substr(0, 6));
    Later(200, [this] { Arrive(kAnswer.substr(6)); });
  };
  std::string answer;
  const std::int64_t start = loop.Now();
  ASSERT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(answer, kAnswerData);
  EXPECT_EQ(loop.Now() - start, 200) << "taken in the event that completed it";
  EXPECT_EQ(serial_port.Written(), std::vector<std::string>{kReadFrame});
  EXPECT_TRUE(comm().RxBuffer().empty());
  EXPECT_EQ(serial_port.InputLeft(), 0u);
}

TEST_F(SerialLink, OutputThatDoesNotDrainEndsWithTheTimeOutOrXCom) {
  ASSERT_TRUE(Open());
  serial_port.SetQueues(0, 7);
  std::string answer;
  const std::int64_t start = loop.Now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(comm().TimedOut());
  EXPECT_NEAR(loop.Now() - start, 1100, 1) << "the drain yields a millisecond a turn";

  Later(250, [this] { comm().Abort(); });
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_EQ(log.lines.back(), "Přerušeno uživatelem!");
}

// After a failed transaction the next request goes out only once the line
// has been quiet for the time-out (three time-outs at most) and is purged, so
// a late answer is never taken as its answer; success leaves no wait.
TEST_F(SerialLink, AfterAFailureTheNextRequestWaitsForAQuietPurgedLine) {
  struct Case {
    bool answered;
    int late_at;       // ms after the failure a byte comes, and again every
    int every;         // this many ms, until 3 s
    int next_sent_at;  // ms after the first transaction ended
  };
  for (const Case& c : {Case{true, 0, 0, 0}, Case{false, 0, 0, 1000}, Case{false, 350, 3000, 1400},
                        Case{false, 50, 100, 3000}}) {
    SCOPED_TRACE(c.next_sent_at);
    ASSERT_TRUE(Open());
    serial_port.on_write = [&](const std::string&) {
      if (c.answered) Arrive(kAnswer);
    };
    std::string answer;
    EXPECT_EQ(link.Transaction(kRead, answer), c.answered);
    const std::int64_t ended = loop.Now();
    for (int at = c.late_at; c.late_at > 0 && at < 3000; at += c.every) {
      Later(at, [this] { Arrive(Hex("00")); });
    }
    serial_port.ClearCalls();
    FakeController controller(serial_port, serial);
    controller.items[kRead.substr(2)] = 0x01020304;
    controller.on_request = [&](const std::string&) {
      EXPECT_EQ(loop.Now() - ended, c.next_sent_at);
    };
    ASSERT_TRUE(link.Transaction(kRead, answer));
    EXPECT_EQ(answer, kAnswerData);
    const auto calls = serial_port.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "PurgeComm " + std::to_string(kPurgeRxAbort)),
              c.answered ? 0 : 1);
  }
}

TEST_F(SerialLink, CloseClosesThePortAndAClosedLinkClosesNothing) {
  link.Close();
  EXPECT_TRUE(serial_port.Calls().empty());
  ASSERT_TRUE(Open());
  link.Close();
  EXPECT_FALSE(serial.Opened());
  EXPECT_FALSE(link.Opened);
  link.Done();
  EXPECT_FALSE(serial.OnRxData) << "the port does not call a freed engine";
}

}  // namespace
}  // namespace korvex
