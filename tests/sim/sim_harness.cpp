#include "sim_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "protocol/frame.h"
#include "support/sim_on_pty.h"

namespace vx2::test {
namespace {


int MillisecondsLeft(std::chrono::steady_clock::time_point end) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::vector<std::string> WithTestAddress(std::vector<std::string> options, int port) {
  options.insert(options.begin(), {"--host", "127.0.0.1", "--port", std::to_string(port)});
  return options;
}

}  // namespace

RunningSim::RunningSim(const std::vector<std::string>& options, int port,
                       const std::string& program)
    : process_(program, WithTestAddress(options, port)) {
  // The simulator writes the ready line whole with one write, so the port
  // has come with it.
  const std::string ready = korvex::ReadyLine(program) + "127.0.0.1:";
  if (!process_.WaitFor(ready, kArrival)) return;
  const std::string& out = process_.Output();
  port_ = std::atoi(out.c_str() + out.find(ready) + ready.size());
}

Finished RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds limit) {
  korvex::ChildProcess process(program, arguments, korvex::ChildProcess::Stderr::kWithOutput);
  Finished finished;
  finished.status = process.Wait(limit);
  finished.output = process.Output();
  return finished;
}

RawConnection::RawConnection(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    connect_error_ = errno;
    return;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    connected_ = true;
    return;
  }
  if (errno != EINPROGRESS) {
    connect_error_ = errno;
    return;
  }
  pollfd ready{fd_, POLLOUT, 0};
  if (poll(&ready, 1, static_cast<int>(kArrival.count())) <= 0) {
    connect_error_ = ETIMEDOUT;
    return;
  }
  socklen_t length = sizeof connect_error_;
  getsockopt(fd_, SOL_SOCKET, SO_ERROR, &connect_error_, &length);
  connected_ = connect_error_ == 0;
}

RawConnection::~RawConnection() {
  if (fd_ >= 0) close(fd_);
}

bool RawConnection::Send(std::string_view bytes) {
  const auto end = std::chrono::steady_clock::now() + kArrival;
  while (!bytes.empty()) {
    const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd ready{fd_, POLLOUT, 0};
      if (poll(&ready, 1, MillisecondsLeft(end)) > 0) continue;
    }
    return false;
  }
  return true;
}

std::string RawConnection::Receive(std::size_t count, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  std::string received;
  while (received.size() < count && !peer_closed_) {
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(end)) <= 0) break;
    char chunk[1024];
    const ssize_t n = recv(fd_, chunk, std::min(sizeof chunk, count - received.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      peer_closed_ = true;
      break;
    }
    received.append(chunk, static_cast<std::size_t>(n));
  }
  return received;
}

std::string RawConnection::ReceiveFirst(std::chrono::milliseconds limit) {
  pollfd ready{fd_, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(limit.count())) <= 0) return {};
  char chunk[1024];
  const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
  if (n <= 0) {
    peer_closed_ = true;
    return {};
  }
  return std::string(chunk, static_cast<std::size_t>(n));
}

std::string RequestFrame(std::string_view data, std::uint8_t address) {
  std::string frame;
  korvex::WrapFrame(1, {korvex::kFrameKind, 0, address, 0}, data, frame);
  return frame;
}

std::string AnswerFrame(std::string_view data, std::uint8_t address) {
  std::string frame;
  korvex::WrapFrame(0, {0, 0, 0, address}, data, frame);
  return frame;
}

}  // namespace vx2::test
