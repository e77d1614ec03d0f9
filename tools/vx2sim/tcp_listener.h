// The simulator's server socket (IPv4), over the socket shim.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_loop.h"

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
  korvex::IoHandle Descriptor() const { return fd_; }
  // The bound address as "127.0.0.1:1998".
  std::string LocalAddress() const;
  // One waiting client's socket (non-blocking, TCP_NODELAY), or kNoIoHandle
  // when none is waiting.
  korvex::IoHandle Accept(std::string& peer);

 private:
  korvex::IoHandle fd_ = korvex::kNoIoHandle;
};

}  // namespace vx2::sim
