// The engine against the real controller simulator over loopback TCP: every
// fault the simulator can inject, with the result and log lines it gives.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "common/text_helpers.h"
#include "loop/real_time_loop.h"
#include "platform/posix/serial_port_posix.h"
#include "platform/tcp_socket_client.h"
#include "protocol/frame.h"
#include "protocol/service_commands.h"
#include "protocol/vardos_link.h"
#include "support/bytes.h"
#include "support/child_process.h"
#include "support/recording_view.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

const std::string kReadFirmware = Hex("51 71 00 00 02");

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class EngineVsSimulator : public ::testing::Test {
 protected:
  // Starts the simulator with `options` and opens the engine's link to it.
  void Start(std::vector<std::string> options, double timeout = 0.5) {
    options.insert(options.end(), {"--host", "127.0.0.1", "--port", "0"});
    sim = std::make_unique<ChildProcess>(VX2SIM, options);
    const std::string ready = "připraven na 127.0.0.1:";
    ASSERT_TRUE(sim->WaitFor(ready, 10s)) << sim->Output();
    const std::string& out = sim->Output();
    tcp.Active = true;
    tcp.Port = static_cast<std::uint32_t>(std::atoi(out.c_str() + out.find(ready) + ready.size()));
    serial.Timeout = timeout;
    link.Init(loop);
    link.Setup(serial_port, socket);
    opened = link.Open(serial, tcp, &log);
    connected = opened && link.Comm->WaitConnect();
  }

  void TearDown() override {
    link.Close();
    link.Done();
  }

  bool Read(std::string& answer) { return link.Transaction(kReadFirmware, answer); }

  RealTimeLoop loop;
  TcpSocketClient socket;
  SystemSerialPort serial_layer;
  TSerial serial_port{loop, serial_layer};
  RecordingView log;
  TVardosLink link;
  TLinkSetup serial;
  TTCPsetup tcp;
  std::unique_ptr<ChildProcess> sim;
  bool opened = false;
  bool connected = false;
};

TEST_F(EngineVsSimulator, ReadAndWriteAnItem) {
  Start({"--firmware", "111054046", "--item", "000102=42"});
  ASSERT_TRUE(connected) << sim->Output();
  std::string answer;
  ASSERT_TRUE(Read(answer));
  EXPECT_EQ(answer, "Qx" + Hex("DE 8C 9E 06"));  // 111054046 least significant first
  ASSERT_TRUE(link.Transaction(Hex("51 51 00 01 02 2B 00 00 00"), answer));
  EXPECT_EQ(answer, "QX");
  ASSERT_TRUE(link.Transaction(Hex("51 71 00 01 02"), answer));
  EXPECT_EQ(answer, "Qx" + Hex("2B 00 00 00"));
  EXPECT_EQ(Count(sim->Output(1000ms), "spojení z "), 3u) << "one connection per transaction";
}

TEST_F(EngineVsSimulator, SlowButTimelyAnswerIsTaken) {
  Start({"--delay", "200"});
  ASSERT_TRUE(connected);
  std::string answer;
  EXPECT_TRUE(Read(answer));
}

TEST_F(EngineVsSimulator, MissingOrInvalidAnswersTimeOutWithTheNotice) {
  for (const char* fault : {"--no-answer", "--bad-check", "--wrong-address"}) {
    SCOPED_TRACE(fault);
    Start({fault}, 1.2);
    ASSERT_TRUE(connected);
    std::string answer = "unchanged";
    EXPECT_FALSE(Read(answer));
    EXPECT_EQ(answer, "unchanged");
    EXPECT_TRUE(link.Comm->TimedOut());
    ASSERT_GE(log.lines.size(), 2u);
    EXPECT_TRUE(log.lines[log.lines.size() - 2].ends_with(".bez odpovědi!"))
        << log.lines[log.lines.size() - 2];
    EXPECT_EQ(log.lines.back(), "");
    TearDown();
    link = TVardosLink{};
    log.lines.clear();
  }
}

TEST_F(EngineVsSimulator, AnswerTooLateTimesOut) {
  Start({"--delay", "1000"}, 0.3);
  ASSERT_TRUE(connected);
  link.Comm->SetQuiet();
  std::string answer;
  EXPECT_FALSE(Read(answer));
  EXPECT_TRUE(link.Comm->TimedOut());
  EXPECT_EQ(log.lines.back(), "Host: 127.0.0.1 : " + std::to_string(tcp.Port));
}

TEST_F(EngineVsSimulator, NoiseSegmentsAndAnImmediateCloseStillGiveTheAnswer) {
  for (std::vector<std::string> fault : {std::vector<std::string>{"--noise", "00FFE15C"},
                                         {"--split", "5:50"},
                                         {"--close-after-answer"}}) {
    SCOPED_TRACE(fault[0]);
    Start(fault);
    ASSERT_TRUE(connected);
    std::string answer;
    EXPECT_TRUE(Read(answer));
    EXPECT_EQ(answer.substr(0, 2), "Qx");
    TearDown();
    link = TVardosLink{};
  }
}

TEST_F(EngineVsSimulator, AFaultOnTheFirstAnswerOnlyFailsOneAttempt) {
  Start({"--bad-check", "--fault-count", "1"}, 0.3);
  ASSERT_TRUE(connected);
  std::string answer;
  EXPECT_FALSE(Read(answer));
  EXPECT_TRUE(Read(answer));
}

TEST_F(EngineVsSimulator, RefusedConnectionFailsWithoutWaiting) {
  Start({"--refuse"});
  EXPECT_FALSE(connected);
  EXPECT_TRUE(link.Comm->Client()->ConnectFailed);
  EXPECT_EQ(link.Comm->Client()->LastError(), "spojení odmítnuto");
  std::string answer;
  EXPECT_FALSE(Read(answer));
  EXPECT_FALSE(link.Comm->TimedOut()) << "the refusal ends the wait, not the time-out";
}

TEST_F(EngineVsSimulator, TenThousandTransactionsLeaveNoDescriptorBehind) {
  Start({"--quiet"});
  ASSERT_TRUE(connected);
  std::string answer;
  ASSERT_TRUE(Read(answer));
  const int before = OpenDescriptors();
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(Read(answer)) << "transaction " << i;
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(EngineVsSimulator, ServiceReadRetriesAfterABadCheckByte) {
  Start({"--bad-check", "--fault-count", "1", "--firmware", "111054046"}, 0.3);
  ASSERT_TRUE(connected);
  std::uint32_t firmware = 0;
  EXPECT_TRUE(GetFirmWare(link, firmware));
  EXPECT_EQ(firmware, 111054046u);
  EXPECT_EQ(Count(sim->Output(200ms), "přijato: "), 2u);
}

TEST_F(EngineVsSimulator, ServiceReadTakesTheValueLeastSignificantByteFirst) {
  Start({"--crc", "0x01020304"});
  ASSERT_TRUE(connected);
  std::uint32_t checksum = 0;
  EXPECT_TRUE(GetCRC(link, checksum));
  EXPECT_EQ(checksum, 0x01020304u);
  EXPECT_EQ(Count(sim->Output(200ms), "51 78 04 03 02 01"), 1u);
}

TEST_F(EngineVsSimulator, ServiceReadGivesUpAfterThreeTimeOuts) {
  Start({"--no-answer"}, 0.3);
  ASSERT_TRUE(connected);
  std::uint32_t firmware = 77;
  EXPECT_FALSE(GetFirmWare(link, firmware));
  EXPECT_EQ(firmware, 77u);
  EXPECT_EQ(Count(sim->Output(200ms), "přijato: "), 3u);
  int notices = 0;
  for (const std::string& line : log.lines) notices += line.ends_with("bez odpovědi!") ? 1 : 0;
  EXPECT_EQ(notices, 3);
}

TEST_F(EngineVsSimulator, ChecksumWriteSendsItsRecordAndIsReadBack) {
  Start({});
  ASSERT_TRUE(connected);
  EXPECT_TRUE(SetCRC(link, 0x12345678));
  std::string frame;
  ASSERT_TRUE(WrapFrame(1, {0x59, 0, 1, 0}, Hex("51 51 00 00 03 78 56 34 12"), frame));
  const std::string dump = HexDump(frame);
  EXPECT_EQ(Count(sim->Output(200ms), "přijato: " + dump.substr(0, dump.size() - 1) + "\n"), 1u)
      << sim->Output();
  std::uint32_t checksum = 0;
  EXPECT_TRUE(GetCRC(link, checksum));
  EXPECT_EQ(checksum, 0x12345678u);
}

}  // namespace
}  // namespace korvex
