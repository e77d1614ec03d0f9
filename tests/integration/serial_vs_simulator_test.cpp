// The engine on a serial line against the real controller simulator on a
// pseudo-terminal, reached as COM 9 through KORVEX_COM9: the whole road of a
// transaction with the port layer, the event thread and the poll loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "loop/real_time_loop.h"
#include "platform/posix/serial_port_posix.h"
#include "platform/tcp_socket_client.h"
#include "protocol/vardos_link.h"
#include "support/bytes.h"
#include "support/recording_view.h"
#include "support/sim_on_pty.h"

namespace korvex {
namespace {

constexpr int kComPort = 9;
const std::string kReadItem = Hex("51 71 00 01 02");

class SerialVsSimulator : public ::testing::Test {
 protected:
  // Starts vx2sim on a pty with `options` and opens the link to it.
  void Start(std::vector<std::string> options, double timeout = 0.3) {
    sim = std::make_unique<SimOnPty>(VX2SIM, std::move(options));
    ASSERT_FALSE(sim->Device().empty()) << sim->Process().Output();
    setenv("KORVEX_COM9", sim->Device().c_str(), 1);
    link.Init(loop);
    link.Setup(serial, socket);
    TLinkSetup setup;
    setup.Port = kComPort;
    setup.Timeout = timeout;
    opened = link.Open(setup, TTCPsetup{}, &log);
  }

  void Stop() {
    link.Close();
    link.Done();
  }

  void TearDown() override {
    Stop();
    unsetenv("KORVEX_COM9");
  }

  RealTimeLoop loop;
  TcpSocketClient socket;
  SystemSerialPort serial_port;
  TSerial serial{loop, serial_port};
  RecordingView log;
  TVardosLink link;
  std::unique_ptr<SimOnPty> sim;
  bool opened = false;
};

TEST_F(SerialVsSimulator, EachAnswerTheSimulatorCanGive) {
  struct Case {
    std::vector<std::string> faults;
    bool answered;
  };
  const std::vector<Case> cases{
      {{}, true},
      {{"--split", "5:40"}, true},
      {{"--noise", "00FFE1"}, true},
      {{"--no-answer"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults.empty() ? "clean" : c.faults[0]);
    std::vector<std::string> options{"--item", "000102=42", "--quiet"};
    options.insert(options.end(), c.faults.begin(), c.faults.end());
    Start(options);
    ASSERT_TRUE(opened) << serial.ErrorCode();
    std::string answer = "unchanged";
    EXPECT_EQ(link.Transaction(kReadItem, answer), c.answered);
    EXPECT_EQ(answer, c.answered ? "Qx" + Hex("2A 00 00 00") : "unchanged");
    EXPECT_EQ(link.Comm->TimedOut(), !c.answered);
    Stop();
  }
}

TEST_F(SerialVsSimulator, WritesAndReadsBackInOneSession) {
  Start({"--item", "000102=42"});
  ASSERT_TRUE(opened);
  EXPECT_EQ(log.lines.back(), "RS232 COM9 38400Bd, Adr=1, Odezva=0.3s");
  std::string answer;
  ASSERT_TRUE(link.Transaction(Hex("51 51 00 01 02 2B 00 00 00"), answer));
  EXPECT_EQ(answer, "QX");
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(link.Transaction(kReadItem, answer)) << i;
    EXPECT_EQ(answer, "Qx" + Hex("2B 00 00 00"));
  }
}

}  // namespace
}  // namespace korvex
