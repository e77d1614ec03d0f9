// The real vx2sim on an ephemeral loopback port, driven by a raw socket that
// sees every byte it sends.
#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "byte_text.h"
#include "protocol/frame.h"
#include "sim_harness.h"
#include "support/bytes.h"
#include "support/pty_pair.h"
#include "support/raw_line.h"
#include "support/sim_on_pty.h"

namespace vx2::test {
namespace {

using korvex::Hex;

const std::string kReadItem = "Qq" + Hex("00 01 02");
const std::string kAnswer42 = AnswerFrame("Qx" + Hex("2A 00 00 00"));

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

TEST(Vx2simBinary, ReadsAndWritesSeveralTransactionsOnOneConnection) {
  const std::filesystem::path items =
      std::filesystem::path(testing::TempDir()) / "vx2sim_binary_items.txt";
  std::ofstream(items) << "# start values\n000103 0x01020304\n";
  RunningSim sim({"--item", "000102=42", "--crc", "0xABCD", "--items", items.string()});
  std::filesystem::remove(items);
  ASSERT_GT(sim.Port(), 0) << sim.Process().Output();
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Connected());

  const std::string read_five =
      RequestFrame("Qq" + Hex("00 01 02 00 01 03 00 01 04 00 00 02 A4 01 A2"));
  const std::string five_values =
      AnswerFrame("Qx" + Hex("2A 00 00 00 04 03 02 01 00 00 00 00 DE 8C 9E 06 CD AB 00 00"));
  ASSERT_TRUE(connection.Send(read_five));
  EXPECT_EQ(connection.Receive(five_values.size()), five_values);

  ASSERT_TRUE(connection.Send(RequestFrame("QQ" + Hex("00 01 04 07 00 00 00"))));
  EXPECT_EQ(connection.Receive(11), AnswerFrame("QX"));
  ASSERT_TRUE(connection.Send(RequestFrame("Qq" + Hex("00 01 04"))));
  EXPECT_EQ(connection.Receive(kAnswer42.size()), AnswerFrame("Qx" + Hex("07 00 00 00")));

  const std::string& log = sim.Process().Output(50ms);
  EXPECT_TRUE(Contains(log, "přijato: " + HexBytes(read_five))) << log;
  EXPECT_TRUE(Contains(log, "odesláno: " + HexBytes(five_values))) << log;
}

TEST(Vx2simBinary, ServesClientsSideBySideFromOneTable) {
  RunningSim sim({"--item", "000102=42"});
  ASSERT_GT(sim.Port(), 0);
  const std::string request = RequestFrame(kReadItem);
  RawConnection slow(sim.Port());
  ASSERT_TRUE(slow.Send(request.substr(0, 5)));

  {
    // One transaction per connection, as the communicator works.
    RawConnection quick(sim.Port());
    ASSERT_TRUE(quick.Send(RequestFrame("QQ" + Hex("00 01 02 2B 00 00 00"))));
    EXPECT_EQ(quick.Receive(11), AnswerFrame("QX")) << "a half-sent frame held the server up";
  }
  ASSERT_TRUE(slow.Send(request.substr(5)));
  EXPECT_EQ(slow.Receive(kAnswer42.size()), AnswerFrame("Qx" + Hex("2B 00 00 00")));
}

TEST(Vx2simBinary, StaysSilentOnFramesItMustNotAnswerAndSaysWhy) {
  RunningSim sim({});
  ASSERT_GT(sim.Port(), 0);
  std::string bad_check = RequestFrame(kReadItem);
  bad_check.back() = static_cast<char>(bad_check.back() ^ 0x01);
  const std::vector<std::string> requests = {
      RequestFrame(kReadItem, 2),        bad_check,
      Hex("E1 5C 01 04 59 00 01 00 58"), RequestFrame("Xy" + Hex("00 01 02")),
      RequestFrame("Qq" + Hex("00 01")),
  };
  std::vector<std::unique_ptr<RawConnection>> connections;
  for (const std::string& request : requests) {
    connections.push_back(std::make_unique<RawConnection>(sim.Port()));
    ASSERT_TRUE(connections.back()->Send(request));
  }
  RawConnection good(sim.Port());
  ASSERT_TRUE(good.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(good.Receive(kAnswer42.size()), AnswerFrame("Qx" + Hex("00 00 00 00")));
  for (std::size_t i = 0; i < connections.size(); ++i) {
    EXPECT_EQ(connections[i]->ReceiveFor(i == 0 ? kSilence : 0ms), "") << "request " << i;
  }
  const std::string& log = sim.Process().Output(50ms);
  for (const char* why : {"rámec je pro jiný řadič", "chybný kontrolní bajt",
                          "délka L je menší než 5", "neznámý příkaz", "nejsou celé kódy"}) {
    EXPECT_TRUE(Contains(log, why)) << why << " missing in:\n" << log;
  }
}

TEST(Vx2simBinary, SkipsJunkBeforeARequest) {
  RunningSim sim({"--item", "000102=42"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(Hex("00 FF E1 12") + RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(kAnswer42.size()), kAnswer42);
  EXPECT_TRUE(Contains(sim.Process().Output(50ms), "přeskočeno (nezačíná rámec): 00 FF E1 12"));
}

TEST(Vx2simBinary, DelayHoldsTheAnswerBack) {
  RunningSim sim({"--item", "000102=42", "--delay", "200"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(kAnswer42.size()), kAnswer42);
  EXPECT_GE(Since(start), 200ms);
}

TEST(Vx2simBinary, NoAnswerSpareOnlyTheFirstAnswersWithFaultCount) {
  RunningSim sim({"--item", "000102=42", "--no-answer", "--fault-count", "1"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.ReceiveFor(kSilence), "");
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(kAnswer42.size()), kAnswer42);
}

TEST(Vx2simBinary, BadCheckByteInTheFirstAnswersOnly) {
  RunningSim sim({"--item", "000102=42", "--bad-check", "--fault-count", "2"});
  ASSERT_GT(sim.Port(), 0);
  std::string broken = kAnswer42;
  broken.back() = static_cast<char>(~static_cast<unsigned char>(broken.back()));
  for (const std::string& expected : {broken, broken, kAnswer42}) {
    RawConnection connection(sim.Port());
    ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
    EXPECT_EQ(connection.Receive(kAnswer42.size()), expected);
  }
}

TEST(Vx2simBinary, WrongAddressAnswersAsTheNextController) {
  RunningSim sim({"--item", "000102=42", "--wrong-address"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  std::string answer = connection.Receive(kAnswer42.size());
  EXPECT_EQ(answer, AnswerFrame("Qx" + Hex("2A 00 00 00"), 2));
}

TEST(Vx2simBinary, NoiseGoesBeforeTheAnswer) {
  RunningSim sim({"--item", "000102=42", "--noise", "00FF"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(2 + kAnswer42.size()), Hex("00 FF") + kAnswer42);
}

TEST(Vx2simBinary, SplitSendsTwoSegmentsWithAPause) {
  RunningSim sim({"--item", "000102=42", "--split", "5:300"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.ReceiveFirst(), kAnswer42.substr(0, 5));
  EXPECT_EQ(connection.Receive(kAnswer42.size() - 5), kAnswer42.substr(5));
  EXPECT_GE(Since(start), 300ms);
}

TEST(Vx2simBinary, CloseAfterAnswerEndsTheConnection) {
  RunningSim sim({"--item", "000102=42", "--close-after-answer"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(kAnswer42.size()), kAnswer42);
  EXPECT_EQ(connection.ReceiveFor(kArrival), "");
  EXPECT_TRUE(connection.PeerClosed());
}

TEST(Vx2simBinary, RefuseKeepsThePortButRefusesEveryConnect) {
  RunningSim sim({"--refuse"});
  ASSERT_GT(sim.Port(), 0) << sim.Process().Output();
  RawConnection connection(sim.Port());
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.ConnectError(), ECONNREFUSED);
  EXPECT_EQ(sim.Process().Wait(kSilence), std::nullopt) << "it should keep running";
  sim.Process().Signal(SIGTERM);
  EXPECT_EQ(sim.Process().Wait(kArrival), 0);
}

TEST(Vx2simBinary, SigintEndsItWithStatusZeroWhileClientsAreConnected) {
  RunningSim sim({});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem).substr(0, 3)));
  sim.Process().Signal(SIGINT);
  EXPECT_EQ(sim.Process().Wait(kArrival), 0);
  EXPECT_TRUE(Contains(sim.Process().Output(), "SIGINT"));
}

TEST(Vx2simBinary, QuietLogsNoTraffic) {
  RunningSim sim({"--quiet"});
  ASSERT_GT(sim.Port(), 0);
  RawConnection connection(sim.Port());
  ASSERT_TRUE(connection.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(connection.Receive(kAnswer42.size()).size(), kAnswer42.size());
  sim.Process().Signal(SIGTERM);
  EXPECT_EQ(sim.Process().Wait(kArrival), 0);
  const std::string& log = sim.Process().Output();
  EXPECT_FALSE(Contains(log, "přijato")) << log;
  EXPECT_FALSE(Contains(log, "spojení")) << log;
}

TEST(Vx2simBinary, StartupErrorsEndItWithoutAReadyLine) {
  RunningSim first({});
  ASSERT_GT(first.Port(), 0);
  const Finished taken =
      RunToEnd(VX2SIM_BINARY, {"--host", "127.0.0.1", "--port", std::to_string(first.Port())});
  EXPECT_EQ(taken.status, 1);
  EXPECT_TRUE(Contains(taken.output, "nelze otevřít")) << taken.output;
  EXPECT_FALSE(Contains(taken.output, "připraven")) << taken.output;
}

TEST(Vx2simOnALine, ServesItsPtyWithFaultsAsOnTcp) {
  korvex::SimOnPty sim(VX2SIM_BINARY,
                       {"--item", "000102=42", "--noise", "00FF", "--fault-count", "1"});
  ASSERT_EQ(sim.Device().rfind("/dev/pts/", 0), 0u) << sim.Process().Output();
  korvex::RawLine line(sim.Device());
  ASSERT_TRUE(line.Opened());
  ASSERT_TRUE(line.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(line.Receive(kAnswer42.size() + 2), Hex("00 FF") + kAnswer42);
  ASSERT_TRUE(line.Send(RequestFrame("QQ" + Hex("00 01 02 2B 00 00 00"))));
  EXPECT_EQ(line.Receive(11), AnswerFrame("QX"));
  const std::string& log = sim.Process().Output(50ms);
  EXPECT_TRUE(Contains(log, "[1] odesláno: 00 FF E1 5C")) << log;
}

TEST(Vx2simOnALine, BaudLetsNoByteLeaveBeforeTheLineCarriesIt) {
  korvex::SimOnPty sim(VX2SIM_BINARY, {"--item", "000102=42", "--baud", "1200"});
  korvex::RawLine line(sim.Device());
  ASSERT_TRUE(line.Opened()) << sim.Process().Output();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(line.Send(RequestFrame(kReadItem)));
  EXPECT_EQ(line.Receive(4), kAnswer42.substr(0, 4));
  EXPECT_GE(Since(start), 33ms) << "4 bytes at 1200 Bd";
  EXPECT_EQ(line.Receive(kAnswer42.size() - 4), kAnswer42.substr(4));
  EXPECT_GE(Since(start), 125ms) << "15 bytes at 1200 Bd";
}

TEST(Vx2simOnALine, ServesAnExistingDevice) {
  korvex::PtyPair device;
  korvex::ChildProcess sim(VX2SIM_BINARY, {"--serial", device.Path(), "--item", "000102=42"});
  ASSERT_TRUE(sim.WaitFor("připraven na " + device.Path(), kArrival)) << sim.Output();
  device.Send(RequestFrame(kReadItem));
  EXPECT_EQ(device.Receive(kAnswer42.size()), kAnswer42);

  const Finished missing = RunToEnd(VX2SIM_BINARY, {"--serial", "/dev/korvex-no-such-line"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(Contains(missing.output, "nelze otevřít (zařízení neexistuje)")) << missing.output;
}

}  // namespace
}  // namespace vx2::test
