// Sockets for tests as this platform's loop watches them: ends of a
// non-blocking stream socket pair, and loopback TCP listeners.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "platform/event_loop.h"

namespace korvex {

inline bool OpenTestSocketPair(IoHandle (&ends)[2]) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0) return false;
  ends[0] = pair[0];
  ends[1] = pair[1];
  return true;
}

// A socket that reports its end and no input: here a stream socket never
// connected, which polls as a hang-up alone.
inline IoHandle OpenTestHungUpHandle() {
  return socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// Listens on an ephemeral loopback port. Until a client connects it is
// neither readable nor writable. Not `listening`, the port stays bound and
// refuses every connect; sharing the address lets a simulator listen on it
// meanwhile, while no other program can take it.
inline IoHandle OpenTestListener(int& port, bool listening = true) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  if (!listening) setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      (listening && listen(listener, 8) != 0) ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    return kNoIoHandle;
  }
  port = ntohs(address.sin_port);
  return listener;
}

// A non-blocking client socket whose connect to the loopback `port` has
// begun; a refusal, at once or later, is for the socket's owner to see.
inline IoHandle StartTestConnect(int port) {
  const int client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return client;
}

// The next connection's peer socket, blocking; waits for a client.
inline IoHandle AcceptTestHandle(IoHandle listener) {
  return accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
}

// Ends both directions: a blocked accept or read returns.
inline void ShutdownTestHandle(IoHandle handle) {
  shutdown(static_cast<int>(handle), SHUT_RDWR);
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
