// vx2sim serving a pseudo-terminal of its own, and a raw client of such a
// line that sees every byte. Every wait is bounded.
#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/receive_from.h"

namespace korvex {

class SimOnPty {
 public:
  SimOnPty(const std::string& program, std::vector<std::string> options)
      : process_(program, WithPty(std::move(options))) {
    static const std::string kReady = "vx2sim: připraven na ";
    if (!process_.WaitFor(kReady, std::chrono::seconds(10))) return;
    const std::string& out = process_.Output();
    const std::size_t at = out.find(kReady) + kReady.size();
    if (out.find('\n', at) == std::string::npos) process_.WaitFor("\n", std::chrono::seconds(1));
    device_ = process_.Output().substr(at, process_.Output().find('\n', at) - at);
  }

  // The device to give the communicator; empty when vx2sim did not get ready.
  const std::string& Device() const { return device_; }
  ChildProcess& Process() { return process_; }

 private:
  static std::vector<std::string> WithPty(std::vector<std::string> options) {
    options.insert(options.begin(), "--pty");
    return options;
  }

  ChildProcess process_;
  std::string device_;
};

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
