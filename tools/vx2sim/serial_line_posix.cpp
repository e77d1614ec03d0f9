#include "serial_line.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/line_rate_linux.h"
#include "platform/posix/serial_port_posix.h"
#include "platform/system_serial_port.h"

namespace vx2::sim {
namespace {

std::string Cause(int code) {
  return korvex::SerialErrorText(korvex::SerialPortError(code));
}

std::string Reason(const std::string& what, int code = errno) {
  return what + " (" + Cause(code) + ")";
}

// Raw 8N1 at `rate`, no flow control: the line the communicator expects.
bool MakeRaw(int fd, std::uint32_t rate) {
  korvex::TDcb dcb;
  dcb.BaudRate = rate;
  dcb.Flags = korvex::kDcbBinary;
  dcb.ByteSize = 8;
  termios settings{};
  if (!korvex::LineTermios(dcb, settings) || tcsetattr(fd, TCSANOW, &settings) != 0) return false;
  return korvex::IsTableRate(rate) || korvex::SetArbitraryRate(fd, rate);
}

}  // namespace

SerialLine::~SerialLine() {
  if (held_ >= 0) close(held_);
  if (fd_ >= 0) close(fd_);
}

bool SerialLine::OpenPty(std::uint32_t rate, std::string& error) {
  fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128];
  if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0 ||
      ptsname_r(fd_, name, sizeof name) != 0) {
    error = Reason("pseudoterminál nelze vytvořit");
    return false;
  }
  path_ = name;
  held_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (held_ < 0 || !MakeRaw(held_, rate)) {
    error = Reason("pseudoterminál " + path_ + " nelze nastavit");
    return false;
  }
  return true;
}

bool SerialLine::OpenDevice(const std::string& device, std::uint32_t rate, std::string& error) {
  path_ = device;
  fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error = Reason("linku " + device + " nelze otevřít");
    return false;
  }
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    error = Reason("linku " + device + " nelze otevřít", errno == EWOULDBLOCK ? EBUSY : errno);
    return false;
  }
  if (!MakeRaw(fd_, rate)) {
    error = Reason("linku " + device + " nelze nastavit na " + std::to_string(rate) + " Bd");
    return false;
  }
  tcflush(fd_, TCIOFLUSH);
  return true;
}

ReadOutcome ReadLine(korvex::IoHandle line, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t received = read(static_cast<int>(line), buffer, size);
    if (received < 0 && errno == EINTR) continue;
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return {ReadStatus::kNothingNow, 0, {}};
    if (received < 0) return {ReadStatus::kFailed, 0, Cause(errno)};
    if (received == 0) return {ReadStatus::kEnd, 0, {}};
    return {ReadStatus::kData, static_cast<std::size_t>(received), {}};
  }
}

bool WriteLine(korvex::IoHandle line, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = write(static_cast<int>(line), bytes.data(), bytes.size());
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace vx2::sim
