// The host channel between real processes over a real desktop directory:
// korvex-headless and tolma as separate programs, hosts and a communicator
// window inside the test on the Linux desktop.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "loop/real_time_loop.h"
#include "platform/posix/host_desktop_posix.h"
#include "shell/korvex_window.h"
#include "support/child_process.h"
#include "support/fake_serial_port.h"
#include "support/fake_socket_client.h"
#include "support/recording_view.h"
#include "support/scripted_message_boxes.h"
#include "support/temp_directory.h"
#include "tolma.h"

namespace korvex {
namespace {

using namespace std::chrono_literals;
constexpr std::uint32_t kMsg = 0xDD3C;

class HostChannelProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(directory_.Path().empty());
    dir = directory_.String();
    setenv("TOLMA_DESKTOP", dir.c_str(), 1);
  }
  void TearDown() override { unsetenv("TOLMA_DESKTOP"); }

  std::vector<std::int64_t> Windows() const {
    std::vector<std::int64_t> handles;
    if (DIR* d = opendir(dir.c_str())) {
      while (const dirent* e = readdir(d)) {
        if (auto h = ParseHandleName(e->d_name)) handles.push_back(*h);
      }
      closedir(d);
    }
    return handles;
  }
  // Waits until the desktop holds `count` windows.
  bool WaitForWindows(std::size_t count) const {
    for (int i = 0; i < 500 && Windows().size() != count; ++i) std::this_thread::sleep_for(10ms);
    return Windows().size() == count;
  }
  // Runs the test's loop until `done`, at most `limit` ms; whether it came.
  [[nodiscard]] bool PumpUntil(const std::function<bool()>& done, int limit = 5000) {
    bool expired = false;
    auto timer = loop.CreateTimer("limit", limit, [&] { expired = true; });
    auto tick = loop.CreateTimer("tick", 10, [] {});
    timer->SetEnabled(true);
    tick->SetEnabled(true);
    while (!done() && !expired) loop.HandleMessage();
    return done();
  }
  // A host window inside the test; it collects what it receives.
  struct Host {
    Host(RealTimeLoop& loop, const std::string& dir) : desktop(loop, dir) {
      std::string problem;
      EXPECT_EQ(desktop.RegisterMessage("MSG_TOLMA", problem), kMsg) << problem;
      desktop.SetReceiver([this](const HostMessage& m) { inbox.push_back(m); });
    }
    bool Got(std::uint32_t wparam, const std::string& text) const {
      for (const HostMessage& m : inbox) {
        if (m.message == kMsg && m.wparam == wparam && m.text == text) return true;
      }
      return false;
    }
    bool GotHandle(std::int64_t handle) const {
      for (const HostMessage& m : inbox) {
        if (m.message == kMsg && m.wparam == 0 && m.lparam == handle) return true;
      }
      return false;
    }
    PosixHostDesktop desktop;
    std::vector<HostMessage> inbox;
  };
  // The communicator in host mode, with a controller that refuses at once.
  ChildProcess Korvex() {
    config.Write("lumadex.ini", "TCP 127.0.0.1 1\n");
    return ChildProcess(KORVEX_HEADLESS, {"/DDE"}, ChildSetup{config.String(), "", {}});
  }
  ChildProcess Tolma(std::vector<std::string> arguments) {
    return ChildProcess(TOLMA, arguments, ChildProcess::Stderr::kWithOutput);
  }

  TempDirectory directory_;  // the desktop's
  std::string dir;
  TempDirectory config;
  RealTimeLoop loop;
};

TEST_F(HostChannelProcesses, HandshakeBothWaysBroadcastOnceLastHostGetsTheCloseNotice) {
  ChildProcess korvex = Korvex();
  ASSERT_TRUE(WaitForWindows(1)) << korvex.Output(100ms);
  const std::int64_t communicator = Windows()[0];
  Host first(loop, dir);
  Host second(loop, dir);
  first.desktop.PostToAll(kMsg, 0, first.desktop.OwnHandle(), {});
  // The two posts each host gets come in either order.
  ASSERT_TRUE(PumpUntil([&] { return first.inbox.size() == 2 && second.inbox.size() == 2; }))
      << "handshakes come to " << first.inbox.size() << " and " << second.inbox.size();
  EXPECT_TRUE(first.GotHandle(communicator) && second.GotHandle(communicator));
  EXPECT_FALSE(first.inbox[0].sent || first.inbox[1].sent) << "the broadcast is posted";

  ASSERT_EQ(second.desktop.Send(communicator, kMsg, 0, second.desktop.OwnHandle(), {}, 5000),
            SendResult::kDelivered);
  ASSERT_EQ(second.desktop.Send(communicator, kMsg, 1, 0, "CLOSE|", 5000), SendResult::kDelivered);
  ASSERT_TRUE(PumpUntil([&] { return second.Got(2, "KORVEX CLOSED|"); })) << korvex.Output();
  EXPECT_TRUE(second.inbox.back().sent) << "answers are sent";
  EXPECT_EQ(korvex.Wait(5s), std::optional<int>(0)) << korvex.Output();
  EXPECT_EQ(first.inbox.size(), 2u) << "no second broadcast, no answer to the first host";
  EXPECT_EQ(Windows().size(), 2u) << "the communicator removed its socket";
}

TEST_F(HostChannelProcesses, TolmaFindsTheCommunicatorAgainOnItsSecondRun) {
  ChildProcess korvex = Korvex();
  ASSERT_TRUE(WaitForWindows(1)) << korvex.Output(100ms);
  ChildProcess write = Tolma({"write", "000102", "42"});
  EXPECT_EQ(write.Wait(10s), std::optional<int>(0)) << write.Output();
  EXPECT_EQ(write.Output(), "000102 = 0x0000002A (42) předáno komunikátoru\n");
  // The close first waits, up to 10 s, for the write the controller refuses.
  ChildProcess close = Tolma({"close", "--wait", "15"});
  EXPECT_EQ(close.Wait(20s), std::optional<int>(0)) << close.Output();
  EXPECT_EQ(close.Output(), "KORVEX CLOSED|\n");
  EXPECT_EQ(korvex.Wait(5s), std::optional<int>(0)) << korvex.Output();
  EXPECT_TRUE(Windows().empty());
  ChildProcess again = Tolma({"read", "000102"});
  EXPECT_EQ(again.Wait(10s), std::optional<int>(1));
  EXPECT_NE(again.Output().find("není žádný komunikátor"), std::string::npos) << again.Output();
}

TEST_F(HostChannelProcesses, RequestFromTolmaReachesTheQueue) {
  RecordingView view;
  ScriptedMessageBoxes boxes;
  FakeSocketClient socket;
  PosixHostDesktop desktop(loop);
  FakeSerialPort serial_port;
  TDlgKORVEX window({loop, view, boxes, socket, desktop, serial_port}, {});
  window.FormCreate();
  window.SkipStartup();
  ChildProcess tolma = Tolma({"send", "qq_rs 00 01 FF", "--wait", "0.1"});
  std::optional<int> status;
  ASSERT_TRUE(PumpUntil([&] { return (status = tolma.Wait(0ms)).has_value(); }, 10000))
      << "tolma still runs: " << tolma.Output();
  EXPECT_EQ(status, std::optional<int>(0)) << tolma.Output();
  EXPECT_NE(window.Config().HostWnd, 0);
  EXPECT_EQ(view.request_text, "qq_rs 00 01 FF|");
  ASSERT_EQ(TranCount(window.Queue()), 8);
  EXPECT_EQ(window.Queue().Head()->Data, std::string("\x00\x01\xFF", 3));
  EXPECT_EQ(window.Queue().Head()->Next->Data, std::string("\x00\x01\x00", 3));
}

// A host that takes the answer and then never replies, or dies.
class SilentHost {
 public:
  SilentHost(const std::string& dir, std::int64_t handle) {
    fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir + "/" + std::to_string(handle);
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(fd_, 4), 0);
  }
  ~SilentHost() { close(fd_); }
  // Takes the first sent record and returns its connection, unanswered;
  // -1 when none came within 10 s.
  int TakeSent(std::string& record) {
    for (;;) {
      pollfd waiting{fd_, POLLIN, 0};
      if (poll(&waiting, 1, 10000) != 1) return -1;
      const int connection = accept(fd_, nullptr, nullptr);
      char buffer[300];
      const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
      record.assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
      if (record.size() < 6 || record[5] == 1) return connection;
      close(connection);
    }
  }

 private:
  int fd_ = -1;
};

TEST_F(HostChannelProcesses, HostThatDiesOrHangsWhileTheCommunicatorSendsToIt) {
  for (const bool hang : {false, true}) {
    ChildProcess korvex = Korvex();
    ASSERT_TRUE(WaitForWindows(1)) << korvex.Output(100ms);
    // Past its start-up, which announces the communicator to a known host.
    ASSERT_TRUE(korvex.WaitFor("VX2: Chyba při detekci CRC !", 10s)) << korvex.Output();
    const std::int64_t communicator = Windows()[0];
    SilentHost silent(dir, 777);
    PosixHostDesktop host(loop, dir);
    std::string problem;
    host.RegisterMessage("MSG_TOLMA", problem);
    // A handshake that names the silent window as the host.
    ASSERT_EQ(host.Send(communicator, kMsg, 0, 777, {}, 5000), SendResult::kDelivered);
    ASSERT_EQ(host.Send(communicator, kMsg, 1, 0, "CLOSE|", 5000), SendResult::kDelivered);
    std::string record;
    const int connection = silent.TakeSent(record);
    ASSERT_GE(connection, 0) << "nothing was sent to the host: " << korvex.Output();
    EXPECT_EQ(record.substr(24), "KORVEX CLOSED|");
    const auto started = std::chrono::steady_clock::now();
    if (!hang) close(connection);
    EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0)) << korvex.Output();
    const auto took = std::chrono::steady_clock::now() - started;
    if (hang) {
      close(connection);
      EXPECT_GE(took, 4s);
      EXPECT_NE(korvex.Output().find("(popisovač 777) neodpověděla do 5 s; pokračuji."),
                std::string::npos)
          << korvex.Output();
    } else {
      EXPECT_LT(took, 2s);
      EXPECT_EQ(korvex.Output().find("neodpověděla"), std::string::npos) << korvex.Output();
    }
    unlink((dir + "/777").c_str());
  }
}

TEST_F(HostChannelProcesses, StaleSocketsAreSkippedAndReplaced) {
  {
    ChildProcess korvex = Korvex();
    ASSERT_TRUE(WaitForWindows(1)) << korvex.Output(100ms);
    korvex.Signal(SIGKILL);
    korvex.Wait(5s);
  }
  ASSERT_EQ(Windows().size(), 1u) << "a killed communicator leaves its socket";
  ChildProcess tolma = Tolma({"close"});
  EXPECT_EQ(tolma.Wait(10s), std::optional<int>(1));
  EXPECT_NE(tolma.Output().find("není žádný komunikátor"), std::string::npos) << tolma.Output();

  // A stale socket under our own handle is taken over.
  const std::int64_t own = getpid();
  SilentHost(dir, own);  // bound and closed at once: refuses from now on
  Host host(loop, dir);
  EXPECT_EQ(host.desktop.OwnHandle(), own);
  EXPECT_EQ(host.desktop.PostToAll(kMsg, 0, own, {}), std::vector<std::int64_t>{own});
}

TEST_F(HostChannelProcesses, DesktopOpenToOthersIsRefused) {
  ASSERT_EQ(chmod(dir.c_str(), 0750), 0);
  ChildProcess korvex = Korvex();
  ASSERT_TRUE(korvex.WaitFor("kanál k nadřízené aplikaci je vypnut.", 10s)) << korvex.Output();
  EXPECT_NE(korvex.Output().find("Plocha kanálu " + dir + " má práva 0750"), std::string::npos);
  ChildProcess tolma = Tolma({"close"});
  EXPECT_EQ(tolma.Wait(10s), std::optional<int>(1));
  EXPECT_NE(tolma.Output().find("má práva 0750"), std::string::npos) << tolma.Output();
  EXPECT_TRUE(Windows().empty());
  korvex.Signal(SIGTERM);
  EXPECT_EQ(korvex.Wait(10s), std::optional<int>(0));
  EXPECT_EQ(Windows().size(), 0u);
  ASSERT_EQ(chmod(dir.c_str(), 0705), 0);  // open to others but not the group
  ChildProcess again = Tolma({"close"});
  EXPECT_EQ(again.Wait(10s), std::optional<int>(1));
  EXPECT_NE(again.Output().find("má práva 0705"), std::string::npos) << again.Output();
}

// tolma runs that end at the command line or at the desktop.
TEST_F(HostChannelProcesses, TolmaRefusesWhatItCannotSendOrWaitFor) {
  const std::string text(254, 'A');
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string said;  // the last row finds the desktop locked
  } rows[] = {
      {{"--wait", "nan", "read", "000102"}, 2, "'nan' není počet sekund větší než 0"},
      {{"--lock-wait", "1e9", "close"}, 2, "--lock-wait: '1e9' není počet sekund"},
      {{"send", text + "|"}, 1, "není žádný komunikátor"},  // 255 bytes: a whole record
      {{"send", text + "A"}, 2, "text požadavku má nejvýše 255 bajtů"},
      {{"--lock-wait", "0.2", "close"}, 1, "ani za 0.2 s neuvolnil jiný běh tolma"}};
  const int lock = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  for (const auto& row : rows) {
    if (&row == std::end(rows) - 1) flock(lock, LOCK_EX);
    ChildProcess tolma = Tolma(row.arguments);
    EXPECT_EQ(tolma.Wait(10s), std::optional<int>(row.status)) << row.arguments[1];
    EXPECT_NE(tolma.Output().find(row.said), std::string::npos) << tolma.Output();
  }
  close(lock);
}

// Sent means handled: the reply leaves once the window procedure has run.
TEST_F(HostChannelProcesses, SentMessageIsDeliveredOnlyAfterTheWindowProcedureRan) {
  char problem[256];
  tolma_window* receiver = tolma_open(dir.c_str(), problem, sizeof problem);
  ASSERT_NE(receiver, nullptr) << problem;
  std::atomic<bool> handled{false};
  auto slow = [](void* flag, const tolma_message*) {
    std::this_thread::sleep_for(100ms);
    *static_cast<std::atomic<bool>*>(flag) = true;
  };
  tolma_set_receiver(receiver, slow, &handled);
  std::thread pump([&] { tolma_pump(receiver, 1000); });
  Host sender(loop, dir);
  EXPECT_EQ(sender.desktop.Send(tolma_handle(receiver), kMsg, 1, 0, "x|", 5000),
            SendResult::kDelivered);
  EXPECT_TRUE(handled);
  pump.join();
  tolma_close(receiver);
}

// Connections of the same user that never send a record.
struct IdleConnections {
  IdleConnections(const std::string& path, int count) : fds(count) {
    sockaddr_un address{AF_UNIX, {}};
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    for (int& fd : fds) {
      fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      // A full backlog refuses for the moment.
      for (int i = 0; i < 1000 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
           ++i) {
        std::this_thread::sleep_for(1ms);
      }
    }
  }
  ~IdleConnections() {
    for (int fd : fds) close(fd);
  }
  bool AllClosedWithin(std::chrono::milliseconds limit) const {
    const auto end = std::chrono::steady_clock::now() + limit;
    char byte;
    for (int fd : fds) {
      while (recv(fd, &byte, 1, 0) != 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
      }
    }
    return std::chrono::steady_clock::now() < end;
  }
  std::vector<int> fds;
};

TEST_F(HostChannelProcesses, FloodOfIdleConnectionsNeitherHoldsNorStopsTheChannel) {
  ChildProcess korvex = Korvex();
  ASSERT_TRUE(WaitForWindows(1)) << korvex.Output(100ms);
  const std::string pid = std::to_string(Windows()[0]), path = dir + "/" + pid;
  const std::string fds = "/proc/" + pid + "/fd/";
  using Listing = std::filesystem::directory_iterator;
  auto descriptors = [&fds] { return std::distance(Listing(fds), Listing()); };
  const auto held = descriptors();
  {
    IdleConnections idle(path, 100);
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(descriptors(), held + 32) << "only so many are held";
    EXPECT_TRUE(idle.AllClosedWithin(3s));
  }
  // No descriptor to spare: the connections wait in the backlog, accept fails.
  std::size_t free = 0;
  while (std::filesystem::exists(fds + std::to_string(free))) ++free;
  auto limit = [&pid](std::size_t below) {
    const std::string nofile = "--nofile=" + std::to_string(below) + ":";
    return ChildProcess("/usr/bin/prlimit", {"--pid", pid, nofile}).Wait(10s);
  };
  // One request before the limit: the sanitized build's first check of a
  // type needs descriptors of its own, which the limit leaves none of.
  ChildProcess before = Tolma({"write", "000102", "41"});
  ASSERT_EQ(before.Wait(10s), std::optional<int>(0)) << before.Output();
  ASSERT_EQ(limit(free), std::optional<int>(0));
  IdleConnections waiting(path, 20);
  // A process that spins never sleeps, whatever the machine's load.
  auto sleeps = [&pid] {
    std::ifstream in("/proc/" + pid + "/status");
    std::string word;
    while (in >> word && word != "voluntary_ctxt_switches:") {
    }
    long count = 0;
    in >> count;
    return count;
  };
  const long slept = sleeps();
  std::this_thread::sleep_for(1s);
  EXPECT_GT(sleeps() - slept, 2) << "no spinning on a failing accept";
  // A few to spare, and idle connections competing for them with a host.
  ASSERT_EQ(limit(free + 4), std::optional<int>(0));
  IdleConnections idle(path, 100);
  std::this_thread::sleep_for(300ms);  // for the backlog to drain
  ChildProcess write = Tolma({"write", "000102", "42"});
  EXPECT_EQ(write.Wait(10s), std::optional<int>(0)) << write.Output();
  EXPECT_TRUE(waiting.AllClosedWithin(3s) && idle.AllClosedWithin(3s));
}

}  // namespace
}  // namespace korvex
