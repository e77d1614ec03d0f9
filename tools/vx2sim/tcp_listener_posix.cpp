#include "tcp_listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vx2::sim {
namespace {

constexpr int kBacklog = 16;

std::string AddressText(const sockaddr_in& address) {
  char host[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

TcpListener::~TcpListener() {
  if (fd_ >= 0) close(static_cast<int>(fd_));
}

bool TcpListener::Open(const std::string& host, std::uint16_t port, bool listen,
                       std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    error = "adresu " + host + " nelze použít: " + gai_strerror(rc);
    return false;
  }
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // Reuse lets a restarted simulator take its port back from TIME_WAIT at
  // once; a port that only refuses must not be shared, so it goes without.
  const int one = 1;
  if (fd_ >= 0 && listen) setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const bool bound = fd_ >= 0 && bind(fd_, found->ai_addr, found->ai_addrlen) == 0 &&
                     (!listen || ::listen(fd_, kBacklog) == 0);
  const int cause = errno;
  freeaddrinfo(found);
  if (!bound) {
    error = "port " + host + ":" + service + " nelze otevřít: " + std::strerror(cause);
    return false;
  }
  return true;
}

std::string TcpListener::LocalAddress() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "?";
  return AddressText(address);
}

korvex::IoHandle TcpListener::Accept(std::string& peer) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const int fd =
      accept4(fd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return korvex::kNoIoHandle;
  // Answers and their split segments go out at once, not when Nagle allows.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  peer = AddressText(address);
  return fd;
}

}  // namespace vx2::sim
