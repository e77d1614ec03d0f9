// The simulator's server socket over POSIX sockets (IPv4).
#pragma once

#include <cstdint>
#include <string>

namespace vx2::sim {

class TcpListener {
 public:
  TcpListener() = default;
  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Binds host:port (port 0: a free one). Without `listen` the port stays
  // bound but nothing listens on it, so every connect to it is refused.
  bool Open(const std::string& host, std::uint16_t port, bool listen, std::string& error);
  int Descriptor() const { return fd_; }
  // The bound address as "127.0.0.1:1998".
  std::string LocalAddress() const;
  // One waiting client's socket (non-blocking, TCP_NODELAY), or -1 when none
  // is waiting.
  int Accept(std::string& peer);

 private:
  int fd_ = -1;
};

}  // namespace vx2::sim
