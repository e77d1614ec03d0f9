#include "platform/socket_shim.h"

#include <poll.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace korvex {

bool StartSockets() {
  return true;
}

namespace {

NativeSocket WithoutDelay(NativeSocket socket) {
  const int one = 1;
  if (socket >= 0) setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return socket;
}

}  // namespace

NativeSocket OpenStreamSocket(int family) {
  return WithoutDelay(socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

NativeSocket AcceptStream(NativeSocket listener, sockaddr_in& peer) {
  socklen_t length = sizeof peer;
  return WithoutDelay(
      accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
}

void AllowQuickRebind(NativeSocket listener) {
  const int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
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

int ConnectOutcome(NativeSocket socket, IoEvent) {
  // Asked whatever the loop saw: Qt's notifiers may report a failed connect
  // writable.
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

bool WaitWritable(NativeSocket socket, int wait_ms) {
  pollfd p{socket, POLLOUT, 0};
  return poll(&p, 1, wait_ms) > 0;
}

SystemError SocketError(int code) {
  switch (code) {
    case EADDRNOTAVAIL:
      return {ErrorKind::kNotFound, code};
    case EADDRINUSE:
      return {ErrorKind::kBusy, code};
    case EACCES:
    case EPERM:
      return {ErrorKind::kAccessDenied, code};
    case ECONNREFUSED:
      return {ErrorKind::kRefused, code};
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
      return {ErrorKind::kUnreachable, code};
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
    case ENOTCONN:
      return {ErrorKind::kBroken, code};
    case ETIMEDOUT:
      return {ErrorKind::kTimedOut, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

SystemError ResolveError(int code) {
  switch (code) {
    case EAI_NONAME:
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return {ErrorKind::kNotFound, code};
    case EAI_AGAIN:
      return {ErrorKind::kUnreachable, code};
    case EAI_SYSTEM:
      return SocketError(errno);
    default:
      return {ErrorKind::kOther, code};
  }
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
