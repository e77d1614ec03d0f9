// The host channel between processes on the Windows desktop: real window
// messages and global atoms, korvex-headless.exe as the communicator and a
// host window inside the test that stops handling messages.
#include <gtest/gtest.h>

#include "native_platform.h"
#include "support/win32_child_process.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;

TEST(HostChannelWin32, AHostThatDoesNotHandleTheNoticeHoldsTheCommunicatorFiveSeconds) {
  NativeEventLoop loop;
  Win32HostDesktop host(loop);
  std::string problem;
  const std::uint32_t message = host.RegisterMessage("MSG_TOLMA", problem);
  ASSERT_NE(message, 0u) << problem;
  // Host mode with a controller that refuses at once.
  Win32ChildProcess korvex(KORVEX_HEADLESS, "/DDE", "TCP 127.0.0.1 1\n");
  const std::string label = "Popisovač komunikátoru: ";
  ASSERT_TRUE(korvex.WaitFor(label, 30s)) << korvex.Output();
  const std::string output = korvex.Output();
  const std::int64_t communicator = std::stoll(output.substr(output.find(label) + label.size()));
  // As taskkill asks a program to end: the channel's window stays.
  SendMessageTimeoutA(reinterpret_cast<HWND>(communicator), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000,
                      nullptr);
  ASSERT_EQ(host.Send(communicator, message, 0, host.OwnHandle(), {}, 5000),
            SendResult::kDelivered);
  ASSERT_EQ(host.Send(communicator, message, 1, 0, "CLOSE|", 5000), SendResult::kDelivered);
  EXPECT_EQ(GlobalFindAtomA("CLOSE|"), 0) << "the sender deletes its atom once sent";

  // This thread handles no messages now, so the notice waits in vain.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(korvex.Wait(15s), std::optional<DWORD>(0)) << korvex.Output();
  EXPECT_GE(std::chrono::steady_clock::now() - started, 4s);
  EXPECT_NE(korvex.Output().find(") neodpověděla do 5 s; pokračuji."), std::string::npos)
      << korvex.Output();
  // The notice may yet be handled: its atom outlives the communicator and
  // falls to whoever reads it.
  EXPECT_NE(GlobalFindAtomA("KORVEX CLOSED|"), 0);
  GlobalDeleteAtom(GlobalFindAtomA("KORVEX CLOSED|"));
}

}  // namespace
}  // namespace korvex
