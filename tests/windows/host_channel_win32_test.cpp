// The host channel between processes on the Windows desktop: real window
// messages and global atoms, korvex-headless.exe as the communicator and a
// host window inside the test that stops handling messages.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "desktop_turn.h"
#include "native_platform.h"
// After the seams: its macros would clash with their names.
#include <windows.h>

namespace korvex {
namespace {

using namespace std::chrono_literals;

// Host mode in this test's working directory, with a controller that
// refuses at once; its log goes to the test's output.
class Communicator {
 public:
  Communicator() {
    std::ofstream("lumadex.ini") << "TCP 127.0.0.1 1\n";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION info{};
    std::string line = "\"" KORVEX_HEADLESS "\" /DDE";
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start,
                       &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
  }
  ~Communicator() {
    TerminateProcess(process_, 99);  // nothing when it has ended
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    std::filesystem::remove("lumadex.ini");
  }
  // The exit status, or nothing while it still runs after `limit`.
  std::optional<DWORD> Wait(std::chrono::milliseconds limit) const {
    DWORD status = 0;
    if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &status)) {
      return std::nullopt;
    }
    return status;
  }

 private:
  HANDLE process_ = nullptr;
};

// This thread's window on the desktop, the channel's message registered.
class HostChannelWin32 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(message, 0u) << problem; }
  NativeEventLoop loop;
  Win32HostDesktop host{loop};
  std::string problem;
  const std::uint32_t message = host.RegisterMessage("MSG_TOLMA", problem);
};

TEST_F(HostChannelWin32, AHostThatDoesNotHandleTheNoticeHoldsTheCommunicatorFiveSeconds) {
  Communicator korvex;
  // The desktop's other window, once it is there, is the communicator's.
  std::vector<std::int64_t> windows;
  for (int i = 0; i < 300 && windows.size() < 2; ++i, Sleep(100)) {
    windows = host.PostToAll(message, 0, host.OwnHandle(), {});
  }
  ASSERT_EQ(windows.size(), 2u);
  const std::int64_t communicator = windows[0] == host.OwnHandle() ? windows[1] : windows[0];
  // As taskkill asks a program to end: the channel's window stays.
  SendMessageTimeoutA(reinterpret_cast<HWND>(communicator), WM_CLOSE, 0, 0, SMTO_NORMAL, 5000,
                      nullptr);
  ASSERT_EQ(host.Send(communicator, message, 0, host.OwnHandle(), {}, 5000),
            SendResult::kDelivered);
  ASSERT_EQ(host.Send(communicator, message, 1, 0, "CLOSE|", 5000), SendResult::kDelivered);
  EXPECT_EQ(GlobalFindAtomA("CLOSE|"), 0) << "the sender deletes its atom once sent";

  // This thread handles no messages now, so the notice waits in vain.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(korvex.Wait(15s), std::optional<DWORD>(0));
  EXPECT_GE(std::chrono::steady_clock::now() - started, 4s);
  // The notice may yet be handled: its atom outlives the communicator and
  // falls to whoever reads it.
  EXPECT_NE(GlobalFindAtomA("KORVEX CLOSED|"), 0);
  GlobalDeleteAtom(GlobalFindAtomA("KORVEX CLOSED|"));
}

// tolma's wait for an answer: the answer comes as a sent message, which
// GetMessageA handles without returning, and the receiver ends the loop.
TEST_F(HostChannelWin32, AnAnswerThatEndsTheLoopEndsRunAtOnce) {
  host.SetReceiver([this](const HostMessage&) { loop.Quit(); });
  const auto window = reinterpret_cast<HWND>(host.OwnHandle());
  const DWORD loop_thread = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::atomic<bool> rescued{false};
  std::thread answer(
      [&] { SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 5000, nullptr); });
  // Wakes a loop that missed the Quit, so the test fails instead of hanging.
  std::thread rescue([&] {
    for (int i = 0; i < 100 && !done; ++i) Sleep(100);
    if (!done) {
      rescued = true;
      PostThreadMessageA(loop_thread, WM_NULL, 0, 0);
    }
  });
  loop.Run();
  done = true;
  answer.join();
  rescue.join();
  EXPECT_FALSE(rescued) << "Run returned only when another message came";
}

TEST_F(HostChannelWin32, AWParamBeyond32BitsIsNoKindTheChannelKnows) {
  std::vector<HostMessage> got;
  host.SetReceiver([&got](const HostMessage& received) { got.push_back(received); });
  const WPARAM request_in_low_half = (WPARAM{1} << 32) | 1;
  SendMessageA(reinterpret_cast<HWND>(host.OwnHandle()), message, request_in_low_half, 0);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NE(got[0].wparam, 1u) << "taken for a request by its low half";
}

// The owner of the turn ends without letting go, as a killed tolma does.
TEST(DesktopTurnWin32, ATurnLeftByAKilledTolmaIsTakenAgain) {
  const std::string desktop = "korvex-test-turn-" + std::to_string(GetCurrentProcessId());
  auto left = std::make_unique<tolma::DesktopTurn>();
  std::string error;
  std::thread killed([&] { ASSERT_TRUE(left->Take(desktop, 1000, error)) << error; });
  killed.join();
  tolma::DesktopTurn next;
  EXPECT_TRUE(next.Take(desktop, 1000, error)) << error;
}

}  // namespace
}  // namespace korvex
