// Handles for tests that the event loop watches on this platform: ends of a
// non-blocking stream socket pair, and one that never becomes ready.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>

#include "platform/event_loop.h"

namespace korvex {

inline bool OpenTestSocketPair(IoHandle (&ends)[2]) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) return false;
  ends[0] = pair[0];
  ends[1] = pair[1];
  return true;
}

// A listening socket nobody connects to: neither readable nor writable.
inline IoHandle OpenIdleTestHandle() {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0) {
    if (listener >= 0) close(listener);
    return kNoIoHandle;
  }
  return listener;
}

inline void CloseTestHandle(IoHandle handle) {
  if (handle >= 0) close(static_cast<int>(handle));
}

// As write() and read(): the count, 0 at the peer's end, -1 on failure or
// when nothing is there.
inline std::ptrdiff_t WriteTestHandle(IoHandle handle, const char* bytes, std::size_t size) {
  return write(static_cast<int>(handle), bytes, size);
}

inline std::ptrdiff_t ReadTestHandle(IoHandle handle, char* bytes, std::size_t size) {
  return read(static_cast<int>(handle), bytes, size);
}

}  // namespace korvex
