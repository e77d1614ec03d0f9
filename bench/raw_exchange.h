// One controller exchange done directly over loopback TCP, as the physical
// limit the engine is measured against: connect, write the frame, read until
// the answer is complete, close. Blocking calls only, over the system's
// sockets as the socket shim names them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/socket_shim.h"

namespace korvex {

inline bool RawExchange(const sockaddr_in& address, const std::string& frame) {
  const NativeSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == kNoSocket) return false;
  const int one = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  bool ok = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            send(s, frame.data(), static_cast<int>(frame.size()), kSendFlags) ==
                static_cast<int>(frame.size());
  std::string received;
  char chunk[512];
  while (ok &&
         (received.size() < 4 || received.size() < static_cast<std::uint8_t>(received[3]) + 4u)) {
    const auto n = recv(s, chunk, sizeof chunk, 0);
    if (n <= 0) ok = false;
    if (n > 0) received.append(chunk, static_cast<std::size_t>(n));
  }
  CloseSocket(s);
  return ok;
}

}  // namespace korvex
