// One controller exchange done directly over loopback TCP, as the physical
// limit the engine is measured against: connect, write the frame, read until
// the answer is complete, close.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace korvex {

inline bool RawExchange(const sockaddr_in& address, const std::string& frame) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
  std::string received;
  char chunk[512];
  while (ok &&
         (received.size() < 4 || received.size() < static_cast<std::uint8_t>(received[3]) + 4u)) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) ok = false;
    if (n > 0) received.append(chunk, static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}

}  // namespace korvex
