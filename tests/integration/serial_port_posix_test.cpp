// The POSIX serial port layer: its pure parts by table, the rest on real
// pseudo-terminals (never on the machine's serial ports).
#include "platform/posix/serial_port_posix.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/posix/line_rate_linux.h"
#include "support/pty_pair.h"

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

class PtyPort : public ::testing::Test {
 protected:
  PtyPair pty;
  PosixSerialPort layer{[this](int) { return pty.Path(); }};
};

TEST_F(PtyPort, OpensExclusivelyAndRestoresTheLineOnClose) {
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);
  const auto rate_before = LineRate(pty.Slave());
  const PortHandle port = layer.Open(1);
  ASSERT_NE(port, kNoPort) << layer.LastError();

  PosixSerialPort other([this](int) { return pty.Path(); });
  EXPECT_EQ(other.Open(1), kNoPort);
  EXPECT_EQ(other.LastError(), EBUSY);

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
  EXPECT_FALSE(layer.SetCommState(port, dcb)) << "a closed handle stays closed";
  EXPECT_EQ(layer.LastError(), EBADF);
  const PortHandle again = other.Open(1);
  EXPECT_NE(again, kNoPort) << "the lock went with the close";
  ASSERT_TRUE(other.CloseHandle(again));
  EXPECT_NE(layer.Open(1), port) << "handles are not reused";
}

TEST_F(PtyPort, MissingDeviceModemControlAndHangUpFailWithoutHarm) {
  PosixSerialPort missing([](int) { return std::string("/dev/korvex-no-such-port"); });
  EXPECT_EQ(missing.Open(1), kNoPort);
  EXPECT_EQ(missing.LastError(), ENOENT);

  const PortHandle port = layer.Open(1);
  ASSERT_NE(port, kNoPort);
  std::uint32_t status = 0;
  EXPECT_FALSE(layer.EscapeCommFunction(port, kSetDtr)) << "a pty has no modem lines";
  EXPECT_FALSE(layer.GetCommModemStatus(port, status));
  EXPECT_FALSE(layer.EscapeCommFunction(port, 0));
  EXPECT_EQ(layer.LastError(), EINVAL);

  ASSERT_TRUE(layer.SetCommMask(port, kEvRxChar));
  pty.CloseMaster();
  std::uint32_t events = 0;
  EXPECT_FALSE(layer.WaitCommEvent(port, events));
  EXPECT_EQ(layer.LastError(), EIO);
}

// WaitCommEvent on a thread of its own, as the event thread calls it.
class Waiter {
 public:
  static constexpr std::uint32_t kFailed = 0xFFFFFFFF;

  Waiter(PosixSerialPort& layer, PortHandle port)
      : thread_([this, &layer, port] {
          tid_ = static_cast<pid_t>(syscall(SYS_gettid));
          std::uint32_t events = 0;
          events_ = layer.WaitCommEvent(port, events) ? events : kFailed;
        }) {}
  ~Waiter() {
    if (thread_.joinable()) thread_.join();
  }

  // True once the thread sits in poll(), so that what the test does next
  // happens while it waits; false if it does not get there in 10 s.
  bool InPoll() const {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < give_up) {
      const pid_t tid = tid_;
      std::ifstream syscall_file("/proc/self/task/" + std::to_string(tid) + "/syscall");
      long number = -1;
      if (tid > 0 && syscall_file >> number && (number == SYS_poll || number == SYS_ppoll)) {
        return true;
      }
      std::this_thread::yield();
    }
    return false;
  }

  std::uint32_t Events() {
    thread_.join();
    return events_;
  }

 private:
  std::atomic<pid_t> tid_{0};
  std::uint32_t events_ = kFailed;
  std::thread thread_;
};

TEST_F(PtyPort, EventsComeForNewInputAndADrainedOutput) {
  const PortHandle port = layer.Open(1);
  ASSERT_NE(port, kNoPort);
  ASSERT_TRUE(layer.SetCommState(port, k8N1));
  ASSERT_TRUE(layer.SetCommMask(port, kEvRxChar | kEvTxEmpty | kEvCts));

  pty.Send("abc");
  EXPECT_EQ(Waiter(layer, port).Events(), kEvRxChar);
  TComStat queues;
  ASSERT_TRUE(layer.ClearCommError(port, queues));
  EXPECT_EQ(queues.cbInQue, 3u);
  {
    // Bytes left unread are no new event; a byte more is.
    Waiter waiter(layer, port);
    ASSERT_TRUE(waiter.InPoll());
    pty.Send("d");
    EXPECT_EQ(waiter.Events(), kEvRxChar);
  }
  std::string read;
  std::uint8_t byte = 0;
  while (layer.ReadByte(port, byte) == 1) read += static_cast<char>(byte);
  EXPECT_EQ(read, "abcd");

  ASSERT_TRUE(layer.WriteFile(port, "\xE1\x5C", 500));
  EXPECT_EQ(Waiter(layer, port).Events(), kEvTxEmpty);
  EXPECT_EQ(pty.Receive(2), "\xE1\x5C");
  {
    Waiter waiter(layer, port);
    ASSERT_TRUE(waiter.InPoll());
    ASSERT_TRUE(layer.SetCommMask(port, kEvRxChar));
    EXPECT_EQ(waiter.Events(), 0u) << "a changed mask ends the wait with no events";
  }
  Waiter waiter(layer, port);
  ASSERT_TRUE(waiter.InPoll());
  ASSERT_TRUE(layer.CloseHandle(port));
  EXPECT_EQ(waiter.Events(), 0u) << "a close ends the wait";
}

}  // namespace
}  // namespace korvex
