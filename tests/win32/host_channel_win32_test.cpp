// The host channel between processes on the Windows desktop: real window
// messages and global atoms, korvex-headless.exe as the communicator and host
// windows inside the test.
#include <gtest/gtest.h>

#include "native_platform.h"
#include "support/test_host_window.h"
#include "support/win32_child_process.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
using Host = TestHostWindow<Win32HostDesktop>;

class HostChannelWin32 : public ::testing::Test {
 protected:
  // The communicator in host mode, its controller refusing at once; returns
  // its window handle as it logs it, 0 when it logged none.
  std::int64_t StartKorvex() {
    korvex.emplace(KORVEX_HEADLESS, "/DDE", std::initializer_list<std::pair<std::string, std::string>>{
                                                {"lumadex.ini", "TCP 127.0.0.1 1\n"}});
    const std::string label = "Popisovač komunikátoru: ";
    if (!korvex->WaitFor(label, 20s)) return 0;
    const std::string output = korvex->Output();
    return std::stoll(output.substr(output.find(label) + label.size()));
  }
  bool AtomExists(const char* text) const { return GlobalFindAtomA(text) != 0; }

  NativeEventLoop loop;
  std::optional<Win32ChildProcess> korvex;
};

TEST_F(HostChannelWin32, HandshakeBothWaysBroadcastOnceCloseNoticeAndNoAtomLeft) {
  const std::int64_t communicator = StartKorvex();
  ASSERT_NE(communicator, 0) << korvex->Output();
  Host first(loop);
  Host second(loop);
  const std::vector<std::int64_t> reached =
      first.desktop.PostToAll(first.message, 0, first.desktop.OwnHandle(), {});
  EXPECT_NE(std::find(reached.begin(), reached.end(), communicator), reached.end());
  PumpUntil(loop, [&] { return first.GotHandle(communicator) && second.GotHandle(communicator); });
  ASSERT_EQ(first.inbox.size(), 2u) << "its own announcement and the communicator's";
  EXPECT_EQ(first.inbox[1].lparam, communicator);
  EXPECT_FALSE(first.inbox[1].sent) << "the broadcast is posted";
  ASSERT_TRUE(second.GotHandle(communicator));

  ASSERT_EQ(second.desktop.Send(communicator, second.message, 0, second.desktop.OwnHandle(), {},
                                5000),
            SendResult::kDelivered);
  ASSERT_EQ(second.desktop.Send(communicator, second.message, 1, 0, "CLOSE|", 5000),
            SendResult::kDelivered);
  EXPECT_FALSE(AtomExists("CLOSE|")) << "the sender deletes its atom once the send returns";
  PumpUntil(loop, [&] { return second.Got(2, "KORVEX CLOSED|"); });
  ASSERT_TRUE(second.Got(2, "KORVEX CLOSED|"));
  EXPECT_TRUE(second.inbox.back().sent) << "answers are sent";
  EXPECT_EQ(korvex->Wait(10s), std::optional<DWORD>(0)) << korvex->Output();
  EXPECT_FALSE(AtomExists("KORVEX CLOSED|")) << "the communicator deleted its answer's atom";
  EXPECT_EQ(first.inbox.size(), 2u) << "no second broadcast, no answer to the first host";
}

TEST_F(HostChannelWin32, HostThatDoesNotHandleTheAnswerHoldsTheCommunicatorFiveSeconds) {
  const std::int64_t communicator = StartKorvex();
  ASSERT_NE(communicator, 0) << korvex->Output();
  Host host(loop);
  ASSERT_EQ(host.desktop.Send(communicator, host.message, 0, host.desktop.OwnHandle(), {}, 5000),
            SendResult::kDelivered);
  ASSERT_EQ(host.desktop.Send(communicator, host.message, 1, 0, "CLOSE|", 5000),
            SendResult::kDelivered);
  // This thread now handles no messages: the closing notice cannot be delivered.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(korvex->Wait(15s), std::optional<DWORD>(0)) << korvex->Output();
  EXPECT_GE(std::chrono::steady_clock::now() - started, 4s);
  EXPECT_NE(korvex->Output().find(") neodpověděla do 5 s; pokračuji."), std::string::npos)
      << korvex->Output();
  // The notice may still be handled: its atom must outlive the communicator,
  // and falls to the one who reads it.
  EXPECT_TRUE(AtomExists("KORVEX CLOSED|"));
  GlobalDeleteAtom(GlobalFindAtomA("KORVEX CLOSED|"));
}

}  // namespace
}  // namespace korvex
