#include "transport/tcp_client.h"

#include <gtest/gtest.h>

#include <functional>

#include "native_platform.h"
#include "support/loopback_listener.h"

namespace korvex {
namespace {

class TcpClient : public ::testing::Test {
 protected:
  void Pump(const std::function<bool()>& done) {
    auto guard = loop.CreateTimer("guard", 5000, [this] { timed_out = true; });
    guard->SetEnabled(true);
    while (!done() && !timed_out) loop.HandleMessage();
    ASSERT_FALSE(timed_out);
  }
  bool ConnectNow() {
    client.Port = listener.port();
    client.Connect();
    Pump([this] { return client.Connected || client.ConnectFailed; });
    return client.Connected;
  }

  NativeEventLoop loop;
  NativeSocketClient socket;
  TMyTCPClient client{loop, socket};
  LoopbackListener listener;
  bool timed_out = false;
};

TEST_F(TcpClient, EveryByteValueArrivesInOrderAndAFloodKeepsOnlyTheNewestBytes) {
  ASSERT_TRUE(ConnectNow());
  const IoHandle peer = listener.Accept();
  std::string sent;
  for (int i = 0; i < 256; ++i) sent += static_cast<char>(i);
  for (int i = 0; i < 400; ++i) sent += static_cast<char>(i * 7);
  ASSERT_EQ(WriteTestHandle(peer, sent.data(), sent.size()), std::ssize(sent));
  Pump([&] { return client.RxBuffer.size() >= sent.size(); });
  EXPECT_EQ(client.RxBuffer, sent);

  std::string burst(200000, '\0');
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>(i % 251);
  ASSERT_EQ(WriteTestHandle(peer, burst.data(), burst.size()), std::ssize(burst));
  CloseTestHandle(peer);
  int events = 0;
  Pump([&] {
    ++events;
    return !client.Connected;
  });
  EXPECT_EQ(client.RxBuffer, burst.substr(burst.size() - kRxBufferLimit));
  EXPECT_GT(events, 10) << "a burst is read over several events, not in one";
}

TEST_F(TcpClient, SegmentsArriveInOrderAndAPeerCloseKeepsTheBytes) {
  ASSERT_TRUE(ConnectNow());
  const IoHandle peer = listener.Accept();
  ASSERT_EQ(WriteTestHandle(peer, "ab", 2), 2);
  Pump([&] { return client.RxBuffer.size() == 2; });
  ASSERT_EQ(WriteTestHandle(peer, "cd", 2), 2);
  CloseTestHandle(peer);
  Pump([&] { return !client.Connected; });
  EXPECT_EQ(client.RxBuffer, "abcd");
}

TEST_F(TcpClient, ConnectWhileConnectedDropsTheOldConnectionFirst) {
  ASSERT_TRUE(ConnectNow());
  const IoHandle first = listener.Accept();
  ASSERT_EQ(WriteTestHandle(first, "old", 3), 3);
  Pump([&] { return client.RxBuffer == "old"; });
  ASSERT_TRUE(ConnectNow());
  EXPECT_TRUE(client.RxBuffer.empty()) << "a new connection starts with an empty buffer";
  char c;
  EXPECT_EQ(ReadTestHandle(first, &c, 1), 0) << "the old connection was closed";
  CloseTestHandle(first);
  const IoHandle second = listener.Accept();
  EXPECT_TRUE(client.WriteString("Qq"));
  char got[2];
  EXPECT_EQ(ReadTestHandle(second, got, 2), 2);
  CloseTestHandle(second);
}

TEST_F(TcpClient, ConnectWhereNothingListensFails) {
  const LoopbackListener closed(LoopbackListener::kBoundOnly);
  client.Port = closed.port();
  client.Connect();
  Pump([this] { return client.Connected || client.ConnectFailed; });
  EXPECT_FALSE(client.Connected);
  EXPECT_TRUE(client.ConnectFailed);
  EXPECT_EQ(client.LastError(), "spojení odmítnuto");
  EXPECT_EQ(socket.Handle(), kNoIoHandle);
}

TEST_F(TcpClient, WriteWithoutConnectionFailsInsteadOfCrashing) {
  EXPECT_FALSE(client.WriteString("Qq"));
  EXPECT_FALSE(client.Connected);
}

}  // namespace
}  // namespace korvex
