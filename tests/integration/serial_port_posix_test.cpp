// The POSIX serial port layer: its pure parts by table, the rest on real
// pseudo-terminals (never on the machine's serial ports).
#include "platform/posix/serial_port_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/posix/device_holders_linux.h"
#include "platform/posix/line_rate_linux.h"
#include "support/child_process.h"
#include "support/pty_pair.h"
#include "support/serial_port_contract.h"

namespace korvex {
namespace {

TEST(ComDevice, EnvironmentNamesTheDeviceElseTtyS) {
  setenv("KORVEX_COM3", "/dev/serial/by-id/usb-adapter", 1);
  EXPECT_EQ(ComDevice(3), "/dev/serial/by-id/usb-adapter");
  setenv("KORVEX_COM3", "", 1);
  EXPECT_EQ(ComDevice(3), "/dev/ttyS2");
  unsetenv("KORVEX_COM3");
  EXPECT_EQ(ComDevice(1), "/dev/ttyS0");
  EXPECT_EQ(ComDevice(255), "/dev/ttyS254");
  EXPECT_EQ(ComDevice(0), "");
}

TEST(LineTermios, EachSettingOfTheRecord) {
  struct Case {
    const char* what;
    TDcb dcb;
    bool takes;
    tcflag_t cflag;  // besides CREAD | CLOCAL
    tcflag_t iflag;
    speed_t speed;
  };
  const auto dcb = [](std::uint32_t rate, std::uint32_t flags, std::uint8_t size,
                      std::uint8_t parity, std::uint8_t stop) {
    return TDcb{28, rate, flags, 341, 341, size, parity, stop, 0x11, 0x13, '?', 0, 0};
  };
  const std::vector<Case> cases{
      {"8N1", dcb(38400, kDcbBinary, 8, 0, 0), true, CS8, 0, B38400},
      {"7O2", dcb(9600, kDcbBinary, 7, 1, 2), true, CS7 | PARENB | PARODD | CSTOPB, 0, B9600},
      {"even", dcb(110, kDcbBinary, 8, 2, 0), true, CS8 | PARENB, 0, B110},
      {"mark", dcb(300, kDcbBinary, 8, 3, 0), true, CS8 | PARENB | CMSPAR | PARODD, 0, B300},
      {"space", dcb(600, kDcbBinary, 8, 4, 0), true, CS8 | PARENB | CMSPAR, 0, B600},
      {"checked", dcb(1200, kDcbBinary | kDcbParity, 8, 2, 0), true, CS8 | PARENB, INPCK, B1200},
      {"RTS/CTS", dcb(115200, kDcbBinary | kDcbOutxCtsFlow | kDcbRtsHandshake, 8, 0, 0), true,
       CS8 | CRTSCTS, 0, B115200},
      {"DTR/DSR", dcb(57600, kDcbBinary | kDcbOutxDsrFlow | kDcbDtrHandshake, 8, 0, 0), true, CS8,
       0, B57600},
      {"XON/XOFF", dcb(19200, kDcbBinary | kDcbOutX | kDcbInX, 8, 0, 0), true, CS8, IXON | IXOFF,
       B19200},
      {"arbitrary rate", dcb(14400, kDcbBinary, 8, 0, 0), true, CS8, 0, B38400},
      {"6 data bits", dcb(9600, kDcbBinary, 6, 0, 0), false, 0, 0, 0},
      {"parity 5", dcb(9600, kDcbBinary, 8, 5, 0), false, 0, 0, 0},
      {"1.5 stop bits", dcb(9600, kDcbBinary, 8, 0, 1), false, 0, 0, 0},
      {"rate 0", dcb(0, kDcbBinary, 8, 0, 0), false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    termios t{};
    ASSERT_EQ(LineTermios(c.dcb, t), c.takes);
    if (!c.takes) continue;
    EXPECT_EQ(t.c_cflag & ~CBAUD, c.cflag | CREAD | CLOCAL);
    EXPECT_EQ(t.c_iflag, c.iflag);
    EXPECT_EQ(t.c_oflag, 0u);
    EXPECT_EQ(t.c_lflag, 0u) << "raw: no echo, no line editing, no signals";
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(t.c_cc[VMIN], 0);
  }
}

TEST(LineEvents, EachChangedLineIsItsEvent) {
  const LineReading before{1, 1, 0, 0, 4};
  EXPECT_EQ(LineEvents(before, before), 0u);
  EXPECT_EQ(LineEvents(before, {0, 1, 0, 0, 4}), kEvCts);
  EXPECT_EQ(LineEvents(before, {1, 0, 1, 0, 4}), kEvDsr | kEvRlsd);
  EXPECT_EQ(LineEvents(before, {1, 1, 0, 1, 5}), kEvRing | kEvBreak);
}

const TDcb k8N1{28, 38400, kDcbBinary, 341, 341, 8, 0, 0, 0x11, 0x13, '?', 0, 0};

TEST(DeviceHolders, OtherProcessesAreNamedButNotThePeerOfAPseudoTerminal) {
  PtyPair pty;
  for (const std::string& device : {std::string("/dev/full"), pty.Path()}) {
    ChildProcess holder("/bin/sh", {"-c", "echo ready; exec sleep 30"},
                        ChildSetup{"", device, {}});
    ASSERT_TRUE(holder.WaitFor("ready", std::chrono::seconds(10)));
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << device;
    const std::vector<std::string> holders = OtherDeviceHolders(fd);
    close(fd);
    // Named "sh" or "sleep", depending on whether it has got to its exec.
    const std::string id = " (" + std::to_string(holder.Pid()) + ")";
    const bool found = std::any_of(holders.begin(), holders.end(),
                                   [&id](const std::string& h) { return h.ends_with(id); });
    EXPECT_EQ(found, device == "/dev/full") << device;
  }
}

class PtyRig : public SerialRig {
 public:
  std::unique_ptr<SerialPortLayer> MakeLayer() override {
    return std::make_unique<SystemSerialPort>([this](int port) {
      return port == 1 ? pty.Path() : std::string("/dev/korvex-no-such-port");
    });
  }
  int Port() const override { return 1; }
  int MissingPort() const override { return 2; }
  Errors Codes() const override { return {EBUSY, ENOENT, EBADF, ETIMEDOUT}; }
  void Send(const std::string& bytes) override { pty.Send(bytes); }
  std::string Receive(std::size_t count) override { return pty.Receive(count); }
  void Vanish() override { pty.CloseMaster(); }
  void EnterWait() override { waiter_ = static_cast<pid_t>(syscall(SYS_gettid)); }
  // True once the waiting thread sits in poll().
  bool AwaitInWait() override {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < give_up) {
      const pid_t tid = waiter_;
      std::ifstream syscall_file("/proc/self/task/" + std::to_string(tid) + "/syscall");
      long number = -1;
      if (tid > 0 && syscall_file >> number && (number == SYS_poll || number == SYS_ppoll)) {
        return true;
      }
      std::this_thread::yield();
    }
    return false;
  }

  PtyPair pty;

 private:
  std::atomic<pid_t> waiter_{0};
};

INSTANTIATE_TEST_SUITE_P(Pty, SerialPortContract,
                         ::testing::Values(SerialRigFactory{"pty", [] {
                           return std::unique_ptr<SerialRig>(std::make_unique<PtyRig>());
                         }}));

class PtyPort : public ::testing::Test {
 protected:
  PtyPair pty;
  SystemSerialPort layer{[this](int) { return pty.Path(); }};
};

TEST_F(PtyPort, RestoresTheLineOnClose) {
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);
  const auto rate_before = LineRate(pty.Slave());
  const PortHandle port = layer.Open(1);
  ASSERT_NE(port, kNoPort) << layer.LastError().code;

  TDcb dcb = k8N1;
  dcb.BaudRate = 14400;
  dcb.StopBits = 2;
  ASSERT_TRUE(layer.SetCommState(port, dcb));
  termios now{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &now), 0);
  EXPECT_TRUE(now.c_cflag & CSTOPB);
  EXPECT_EQ(LineRate(pty.Slave()), 14400u);

  ASSERT_TRUE(layer.CloseHandle(port));
  ASSERT_EQ(tcgetattr(pty.Slave(), &now), 0);
  EXPECT_EQ(now.c_cflag, before.c_cflag);
  EXPECT_EQ(LineRate(pty.Slave()), rate_before);
}

TEST_F(PtyPort, ModemControlFailsWithoutHarmOnALineWithoutModemLines) {
  const PortHandle port = layer.Open(1);
  ASSERT_NE(port, kNoPort);
  std::uint32_t status = 0;
  EXPECT_FALSE(layer.EscapeCommFunction(port, kSetDtr)) << "a pty has no modem lines";
  EXPECT_FALSE(layer.GetCommModemStatus(port, status));
  EXPECT_FALSE(layer.EscapeCommFunction(port, 0));
  EXPECT_EQ(layer.LastError().code, EINVAL);
}

}  // namespace
}  // namespace korvex
