#include "platform/posix/posix_socket_client.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvex {
namespace {

// A frame is at most 259 bytes, so a write that cannot go out within this
// time means the connection is dead.
constexpr int kWriteWaitMs = 5000;

// The operator reads these in the log, so the common cases are in Czech.
std::string SocketErrorText(int error) {
  switch (error) {
    case ECONNREFUSED:
      return "spojení odmítnuto";
    case ETIMEDOUT:
      return "vypršel časový limit spojení";
    case EHOSTUNREACH:
      return "cílový počítač je nedostupný";
    case ENETUNREACH:
      return "síť je nedostupná";
    case ECONNRESET:
      return "spojení zrušeno protistranou";
    case EPIPE:
      return "spojení je přerušeno";
    default:
      return std::strerror(error);
  }
}

}  // namespace

PosixSocketClient::~PosixSocketClient() { Disconnect(); }

ConnectState PosixSocketClient::Fail(int error) {
  last_error_ = SocketErrorText(error);
  Disconnect();
  return ConnectState::kFailed;
}

ConnectState PosixSocketClient::Connect(const std::string& host, int port) {
  Disconnect();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    last_error_ = "neznámý počítač " + host + " (" + gai_strerror(rc) + ")";
    return ConnectState::kFailed;
  }
  fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    freeaddrinfo(found);
    return Fail(errno);
  }
  const int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  const int rc = connect(fd_, found->ai_addr, found->ai_addrlen);
  const int error = errno;
  freeaddrinfo(found);
  if (rc == 0) {
    connected_ = true;
    return ConnectState::kConnected;
  }
  if (error == EINPROGRESS) return ConnectState::kInProgress;
  return Fail(error);
}

ConnectState PosixSocketClient::FinishConnect() {
  if (fd_ < 0) return ConnectState::kFailed;
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return Fail(errno);
  if (error == EINPROGRESS || error == EALREADY) return ConnectState::kInProgress;
  if (error != 0) return Fail(error);
  connected_ = true;
  return ConnectState::kConnected;
}

void PosixSocketClient::Disconnect() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  connected_ = false;
}

bool PosixSocketClient::Receive(std::string& into) {
  if (fd_ < 0) return false;
  char chunk[4096];
  for (;;) {
    const ssize_t n = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      into.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      last_error_ = "spojení ukončeno protistranou";
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    last_error_ = SocketErrorText(errno);
    return false;
  }
}

bool PosixSocketClient::Write(std::string_view data) {
  if (fd_ < 0) {
    last_error_ = "spojení není navázáno";
    return false;
  }
  while (!data.empty()) {
    const ssize_t n = send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, kWriteWaitMs) > 0) continue;
      last_error_ = "odeslání se nezdařilo v časovém limitu";
      return false;
    }
    last_error_ = SocketErrorText(errno);
    return false;
  }
  return true;
}

std::string PosixSocketClient::VersionText() const {
  utsname name{};
  if (uname(&name) != 0) return "POSIX";
  return std::string("POSIX ") + name.sysname + " " + name.release;
}

std::string PosixSocketClient::LocalHostName() const {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

}  // namespace korvex
