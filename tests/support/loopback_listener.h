// A listening socket on an ephemeral loopback port, accepting by hand.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvex {

class LoopbackListener {
 public:
  LoopbackListener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 8);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackListener() { close(fd_); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int port() const { return port_; }
  // The next connection's peer socket (blocks; the client has connected).
  int Accept() const { return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC); }
  // Wakes a blocked Accept, and every later one fails at once.
  void StopAccepting() const { shutdown(fd_, SHUT_RDWR); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace korvex
