#include "platform/posix/serial_port_posix.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "platform/posix/device_holders_linux.h"
#include "platform/posix/line_rate_linux.h"

namespace korvex {
namespace {

using Use = SerialPortUse<SystemSerialPort::Port, UseLocking::kHeld>;

using Clock = std::chrono::steady_clock;

// How often the wait looks again at what no descriptor reports: input lines,
// an output queue still draining, input left unread.
constexpr int kRecheckMs = 10;
// How often a write held back by DSR looks at it again.
constexpr auto kDsrRecheck = std::chrono::milliseconds(5);
constexpr std::uint32_t kLineEventMask = kEvCts | kEvDsr | kEvRlsd | kEvBreak | kEvRing;

bool Fail(int code) {
  return FailSerialCall(SerialPortError(code));
}

struct TableRate {
  std::uint32_t rate;
  speed_t speed;
};

constexpr TableRate kTableRates[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<speed_t> TableSpeed(std::uint32_t rate) {
  for (const TableRate& entry : kTableRates) {
    if (entry.rate == rate) return entry.speed;
  }
  return std::nullopt;
}

}  // namespace

std::string ComDevice(int port) {
  if (port < 1) return {};
  const std::string variable = "KORVEX_COM" + std::to_string(port);
  const char* named = std::getenv(variable.c_str());
  if (named && *named) return named;
  return "/dev/ttyS" + std::to_string(port - 1);
}

bool IsTableRate(std::uint32_t rate) {
  return TableSpeed(rate).has_value();
}

bool LineTermios(const TDcb& dcb, termios& settings) {
  if (dcb.BaudRate == 0) return false;
  termios t{};
  t.c_cflag = CREAD | CLOCAL;
  switch (dcb.ByteSize) {
    case 7:
      t.c_cflag |= CS7;
      break;
    case 8:
      t.c_cflag |= CS8;
      break;
    default:
      return false;
  }
  switch (dcb.Parity) {
    case 0:
      break;
    case 1:
      t.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      t.c_cflag |= PARENB;
      break;
    case 3:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 4:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      return false;
  }
  if (dcb.StopBits == 2) {
    t.c_cflag |= CSTOPB;
  } else if (dcb.StopBits != 0) {
    return false;  // one and a half stop bits
  }
  if (dcb.Flags & (kDcbOutxCtsFlow | kDcbRtsHandshake)) t.c_cflag |= CRTSCTS;
  if (dcb.Flags & kDcbParity) t.c_iflag |= INPCK;
  if (dcb.Flags & kDcbOutX) t.c_iflag |= IXON;
  if (dcb.Flags & kDcbInX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  // A rate outside the table is set afterwards; the table's rate holds the
  // place meanwhile.
  const speed_t speed = TableSpeed(dcb.BaudRate).value_or(B38400);
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  settings = t;
  return true;
}

std::uint32_t LineEvents(const LineReading& before, const LineReading& now) {
  std::uint32_t events = 0;
  if (now.cts != before.cts) events |= kEvCts;
  if (now.dsr != before.dsr) events |= kEvDsr;
  if (now.dcd != before.dcd) events |= kEvRlsd;
  if (now.ring != before.ring) events |= kEvRing;
  if (now.brk != before.brk) events |= kEvBreak;
  return events;
}

struct SystemSerialPort::Port : SerialPortUsers {
  // How the device reports its input lines: interrupt counters (which also
  // catch short pulses and breaks), line levels, or not at all (a pty).
  enum class Lines { kNone, kCounters, kLevels };

  ~Port() {
    if (wake_fd >= 0) close(wake_fd);
  }

  void Wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake_fd, &one, sizeof one);
  }

  bool ReadLines(LineReading& reading) const {
    if (lines == Lines::kCounters) {
      serial_icounter_struct counters{};
      if (ioctl(fd, TIOCGICOUNT, &counters) != 0) return false;
      reading = {static_cast<std::uint32_t>(counters.cts), static_cast<std::uint32_t>(counters.dsr),
                 static_cast<std::uint32_t>(counters.dcd), static_cast<std::uint32_t>(counters.rng),
                 static_cast<std::uint32_t>(counters.brk)};
      return true;
    }
    int levels = 0;
    if (lines == Lines::kNone || ioctl(fd, TIOCMGET, &levels) != 0) return false;
    reading = {(levels & TIOCM_CTS) ? 1u : 0u, (levels & TIOCM_DSR) ? 1u : 0u,
               (levels & TIOCM_CD) ? 1u : 0u, (levels & TIOCM_RNG) ? 1u : 0u, 0};
    return true;
  }

  // The events of the mask that have occurred; `recheck_ms` says when to
  // look again for those no descriptor reports (-1: only when woken).
  std::uint32_t PendingEvents(int& recheck_ms, int& error) {
    std::uint32_t events = 0;
    recheck_ms = -1;
    const auto sooner = [&recheck_ms](int ms) {
      recheck_ms = recheck_ms < 0 ? ms : std::min(recheck_ms, ms);
    };
    input_left = false;
    if (mask & kEvRxChar) {
      int queued = 0;
      if (ioctl(fd, FIONREAD, &queued) != 0) {
        error = errno;
        return 0;
      }
      const auto count = static_cast<std::uint32_t>(std::max(queued, 0));
      // Only bytes that came since the last report are an event; bytes left
      // unread keep the descriptor readable, so they are watched by count.
      if (count > known_input) events |= kEvRxChar;
      known_input = count;
      input_left = count > 0;
      if (input_left) sooner(kRecheckMs);
    }
    if ((mask & kEvTxEmpty) && written) {
      int queued = 0;
      if (ioctl(fd, TIOCOUTQ, &queued) != 0) {
        error = errno;
        return 0;
      }
      if (queued <= 0) {
        events |= kEvTxEmpty;
        written = false;
      } else {
        sooner(std::max(1, static_cast<int>(static_cast<std::uint64_t>(queued) * 10000 / rate)));
      }
    }
    if ((mask & kLineEventMask) && lines != Lines::kNone) {
      LineReading now;
      if (ReadLines(now)) {
        events |= LineEvents(reading, now) & mask;
        reading = now;
      }
      sooner(kRecheckMs);
    }
    return events;
  }

  int fd = -1;
  int wake_fd = -1;
  termios saved{};
  Lines lines = Lines::kNone;

  // Guarded by the mutex.
  std::uint32_t mask = 0;
  std::uint64_t mask_generation = 0;
  std::uint32_t known_input = 0;  // input bytes already reported
  bool input_left = false;
  bool written = false;  // output written since the last kEvTxEmpty
  bool dsr_flow = false;
  std::uint32_t rate = 9600;
  LineReading reading;
};

SystemSerialPort::SystemSerialPort(DeviceNamer device_for) : device_for_(std::move(device_for)) {}

SystemSerialPort::~SystemSerialPort() {
  for (const PortHandle handle : ports_.Handles()) CloseHandle(handle);
}

std::vector<std::string> SystemSerialPort::OtherHolders(PortHandle handle) const {
  const std::shared_ptr<Port> port = ports_.Find(handle);
  return port ? OtherDeviceHolders(port->fd) : std::vector<std::string>{};
}

SystemError SystemSerialPort::LastError() const {
  return SerialLastError();
}

SystemError SerialPortError(int code) {
  switch (code) {
    // An opener meets ENXIO or ENODEV also while a device is being removed.
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return {ErrorKind::kNotFound, code};
    case EBUSY:
      return {ErrorKind::kBusy, code};
    case EACCES:
    case EPERM:
      return {ErrorKind::kAccessDenied, code};
    // A terminal whose device went away answers EIO from then on.
    case EIO:
      return {ErrorKind::kBroken, code};
    case ETIMEDOUT:
      return {ErrorKind::kTimedOut, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

PortHandle SystemSerialPort::Open(int number) {
  const std::string device = device_for_(number);
  if (device.empty()) {
    Fail(ENOENT);
    return kNoPort;
  }
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(errno);
    return kNoPort;
  }
  auto port = std::make_shared<Port>();
  port->fd = fd;
  const auto refuse = [fd](int code) {
    close(fd);
    Fail(code);
    return kNoPort;
  };
  // The lock refuses a second opener whoever it is; TIOCEXCL also keeps out
  // programs that do not lock, unless they run as root.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno == EWOULDBLOCK ? EBUSY : errno);
  if (tcgetattr(fd, &port->saved) != 0) return refuse(errno);
  if (ioctl(fd, TIOCEXCL) != 0) return refuse(errno);
  // An opened port starts with empty queues: bytes that came while nobody
  // held it (a late answer to an earlier program) are stale.
  tcflush(fd, TCIOFLUSH);
  port->wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (port->wake_fd < 0) return refuse(errno);
  serial_icounter_struct counters{};
  int levels = 0;
  if (ioctl(fd, TIOCGICOUNT, &counters) == 0) {
    port->lines = Port::Lines::kCounters;
  } else if (ioctl(fd, TIOCMGET, &levels) == 0) {
    port->lines = Port::Lines::kLevels;
  }
  port->ReadLines(port->reading);
  return ports_.Add(std::move(port));
}

bool SystemSerialPort::CloseHandle(PortHandle handle) {
  const std::shared_ptr<Port> port = ports_.Remove(handle, [](Port& closing) { closing.Wake(); });
  if (!port) return Fail(EBADF);
  ioctl(port->fd, TIOCNXCL);
  tcsetattr(port->fd, TCSANOW, &port->saved);
  // Closing the descriptor also drops the lock.
  const bool closed = close(port->fd) == 0;
  const int error = errno;
  port->fd = -1;
  return closed || Fail(error);
}

bool SystemSerialPort::SetupComm(PortHandle handle, std::uint32_t, std::uint32_t) {
  // The terminal driver's queues have sizes of their own.
  Use port(ports_, handle);
  return port || Fail(EBADF);
}

bool SystemSerialPort::SetCommState(PortHandle handle, const TDcb& dcb) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  termios settings{};
  if (!LineTermios(dcb, settings)) return Fail(EINVAL);
  if (tcsetattr(port->fd, TCSANOW, &settings) != 0) return Fail(errno);
  if (!IsTableRate(dcb.BaudRate) && !SetArbitraryRate(port->fd, dcb.BaudRate)) return Fail(errno);
  port->rate = dcb.BaudRate;
  port->dsr_flow = (dcb.Flags & kDcbOutxDsrFlow) != 0;
  return true;
}

bool SystemSerialPort::SetCommTimeouts(PortHandle handle, const TCommTimeouts&) {
  // Reads never wait here, which is what the component asks for; a write
  // waits as long as its caller says.
  Use port(ports_, handle);
  return port || Fail(EBADF);
}

bool SystemSerialPort::SetCommMask(PortHandle handle, std::uint32_t mask) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  port->mask = mask;
  ++port->mask_generation;
  port->Wake();
  return true;
}

bool SystemSerialPort::WaitCommEvent(PortHandle handle, std::uint32_t& events) {
  events = 0;
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  const std::uint64_t generation = port->mask_generation;
  bool hung_up = false;
  for (;;) {
    if (port->closed || port->mask_generation != generation) {
      events = 0;
      return true;
    }
    int recheck_ms = -1;
    int error = 0;
    events = port->PendingEvents(recheck_ms, error);
    if (error) return Fail(error);
    if (events) return true;
    if (hung_up) return Fail(EIO);
    const bool want_input = (port->mask & kEvRxChar) && !port->input_left;
    pollfd fds[2] = {{port->wake_fd, POLLIN, 0},
                     {port->fd, static_cast<short>(want_input ? POLLIN : 0), 0}};
    port.Unlock();
    const int ready = poll(fds, 2, recheck_ms);
    const int poll_error = errno;
    port.Lock();
    if (ready < 0 && poll_error != EINTR) return Fail(poll_error);
    if (fds[0].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto taken = read(port->wake_fd, &count, sizeof count);
    }
    hung_up = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
}

bool SystemSerialPort::GetCommModemStatus(PortHandle handle, std::uint32_t& status) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  int levels = 0;
  if (ioctl(port->fd, TIOCMGET, &levels) != 0) return Fail(errno);
  status = ((levels & TIOCM_CTS) ? kMsCtsOn : 0) | ((levels & TIOCM_DSR) ? kMsDsrOn : 0) |
           ((levels & TIOCM_RNG) ? kMsRingOn : 0) | ((levels & TIOCM_CD) ? kMsRlsdOn : 0);
  return true;
}

bool SystemSerialPort::ClearCommError(PortHandle handle, TComStat& status) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  int in = 0;
  int out = 0;
  if (ioctl(port->fd, FIONREAD, &in) != 0 || ioctl(port->fd, TIOCOUTQ, &out) != 0) {
    return Fail(errno);
  }
  status.cbInQue = static_cast<std::uint32_t>(std::max(in, 0));
  status.cbOutQue = static_cast<std::uint32_t>(std::max(out, 0));
  return true;
}

bool SystemSerialPort::PurgeComm(PortHandle handle, std::uint32_t) {
  // Reads and writes here finish before they return: there is nothing
  // pending to abort, and queued bytes stay.
  Use port(ports_, handle);
  return port || Fail(EBADF);
}

bool SystemSerialPort::EscapeCommFunction(PortHandle handle, std::uint32_t code) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  if (code < kSetRts || code > kClrDtr) return Fail(EINVAL);
  const int line = (code == kSetRts || code == kClrRts) ? TIOCM_RTS : TIOCM_DTR;
  const bool raise = code == kSetRts || code == kSetDtr;
  return ioctl(port->fd, raise ? TIOCMBIS : TIOCMBIC, &line) == 0 || Fail(errno);
}

int SystemSerialPort::ReadByte(PortHandle handle, std::uint8_t& byte) {
  Use port(ports_, handle);
  if (!port) {
    Fail(EBADF);
    return -1;
  }
  std::uint8_t taken = 0;
  const ssize_t n = read(port->fd, &taken, 1);
  if (n == 1) {
    byte = taken;
    if (port->known_input > 0) --port->known_input;
    return 1;
  }
  if (n == 0 || errno == EAGAIN || errno == EINTR) return 0;
  Fail(errno);
  return -1;
}

bool SystemSerialPort::WriteFile(PortHandle handle, std::string_view data, int wait_ms) {
  Use port(ports_, handle);
  if (!port) return Fail(EBADF);
  const int fd = port->fd;
  const bool dsr_flow = port->dsr_flow;
  port.Unlock();
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(wait_ms, 0));
  const auto left_ms = [deadline] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  };
  // DTR/DSR handshake has no terminal setting: output waits here while the
  // device reports DSR low.
  const auto held_by_dsr = [fd, dsr_flow] {
    int levels = 0;
    return dsr_flow && ioctl(fd, TIOCMGET, &levels) == 0 && !(levels & TIOCM_DSR);
  };
  int error = 0;
  while (!data.empty() && !error) {
    if (held_by_dsr()) {
      if (left_ms() <= 0) error = ETIMEDOUT;
      if (!error)
        std::this_thread::sleep_for(std::min(kDsrRecheck, std::chrono::milliseconds(left_ms())));
      continue;
    }
    const ssize_t n = write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      error = errno;
    } else if (left_ms() <= 0) {
      error = ETIMEDOUT;
    } else {
      pollfd writable{fd, POLLOUT, 0};
      poll(&writable, 1, static_cast<int>(left_ms()));
    }
  }
  port.Lock();
  port->written = true;
  port->Wake();
  return !error || Fail(error);
}

}  // namespace korvex
