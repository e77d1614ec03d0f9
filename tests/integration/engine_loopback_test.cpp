// The engine against hand-made peers over real loopback sockets: a peer that
// floods without pause, and one that sends noise before its answer.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "loop/real_time_loop.h"
#include "support/bytes.h"
#include "support/flooding_peer.h"
#include "support/loopback_listener.h"
#include "support/posix_link.h"
#include "support/recording_view.h"
#include "support/virtual_event_loop.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

const std::string kRead = Hex("51 71 00 00 02");
const std::string kAnswer = Hex("E1 5C 00 0B 00 00 00 01 51 78 04 03 02 01 27");

bool Contains(const std::vector<std::string>& lines, std::string_view part) {
  for (const std::string& line : lines) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(EngineOverLoopback, FloodingPeerLeavesTheTimeOutAndXComWorking) {
  LoopbackListener listener;
  FloodingPeer flood(listener, 2);
  PosixLinkOn<RealTimeLoop, RecordingView> posix;
  auto& [loop, socket, serial_port, serial, log, link] = posix;
  TLinkSetup setup;
  setup.Timeout = 1.1;
  ASSERT_TRUE(
      link.Open(setup, {true, "127.0.0.1", static_cast<std::uint32_t>(listener.port())}, &log));

  std::string answer;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_TRUE(link.Comm->TimedOut());
  // Real time, so a generous margin; the fault took seconds more.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_TRUE(Contains(log.lines, ".bez odpovědi!"));

  link.Comm->SetResponseTimeout(3.0);
  auto x_com = loop.CreateTimer("X com", 200, [&link = link] { link.Comm->Abort(); });
  x_com->SetEnabled(true);
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(link.Transaction(kRead, answer));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines.back(), "Přerušeno uživatelem!");
}

TEST(EngineOverLoopback, AnswerAfterNoiseIsTakenInTheEventThatBroughtIt) {
  LoopbackListener listener;
  PosixLinkOn<VirtualEventLoop, RecordingView> posix;
  auto& [loop, socket, serial_port, serial, log, link] = posix;
  ASSERT_TRUE(
      link.Open({}, {true, "127.0.0.1", static_cast<std::uint32_t>(listener.port())}, &log));
  const int peer = listener.Accept();
  std::string sent;
  for (int i = 0; i < 8; ++i) sent += Hex("00 FF E1 5C 01");
  sent += kAnswer;
  ASSERT_EQ(write(peer, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  pollfd arrived{static_cast<int>(socket.Handle()), POLLIN, 0};
  ASSERT_EQ(poll(&arrived, 1, 5000), 1);

  const std::int64_t start = loop.Now();
  std::string answer;
  EXPECT_TRUE(link.Transaction(kRead, answer));
  EXPECT_EQ(answer, kAnswer.substr(8, 6));
  EXPECT_EQ(loop.Now(), start) << "40 bytes of noise cost no engine tick";
  close(peer);
}

}  // namespace
}  // namespace korvex
