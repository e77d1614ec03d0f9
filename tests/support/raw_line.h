// The device end of a serial line, raw, as a minimal client would use it:
// no echo, no translation, every byte seen. Every wait is bounded.
#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/receive_from.h"

namespace korvex {

// The device end of a line, raw, as a minimal client would use it.
class RawLine {
 public:
  explicit RawLine(const std::string& device)
      : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios raw{};
    if (fd_ >= 0 && tcgetattr(fd_, &raw) == 0) {
      cfmakeraw(&raw);
      tcsetattr(fd_, TCSANOW, &raw);
    }
  }
  ~RawLine() {
    if (fd_ >= 0) close(fd_);
  }
  RawLine(const RawLine&) = delete;
  RawLine& operator=(const RawLine&) = delete;

  bool Opened() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  bool Send(const std::string& bytes) const {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  std::string Receive(std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(3)) const {
    return ReceiveFrom(fd_, count, limit);
  }

 private:
  int fd_ = -1;
};

}  // namespace korvex
