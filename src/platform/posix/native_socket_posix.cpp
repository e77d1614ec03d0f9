#include "platform/socket_shim.h"

#include <poll.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

namespace korvex {

bool StartSockets() {
  return true;
}

NativeSocket OpenStreamSocket(int family) {
  const int created = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (created < 0) return kNoSocket;
  const int one = 1;
  setsockopt(created, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return created;
}

void CloseSocket(NativeSocket socket) {
  close(socket);
}

int LastSocketError() {
  return errno;
}

bool ConnectInProgress(int error) {
  return error == EINPROGRESS || error == EALREADY;
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

bool Interrupted(int error) {
  return error == EINTR;
}

int ConnectOutcome(NativeSocket socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

bool WaitWritable(NativeSocket socket, int wait_ms) {
  pollfd p{socket, POLLOUT, 0};
  return poll(&p, 1, wait_ms) > 0;
}

std::string OtherSocketErrorText(int error) {
  return std::strerror(error);
}

std::string ResolveErrorText(int code) {
  return gai_strerror(code);
}

std::string SocketsVersionText() {
  utsname name{};
  if (uname(&name) != 0) return "POSIX";
  return std::string("POSIX ") + name.sysname + " " + name.release;
}

std::string SystemHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

}  // namespace korvex
