#include "platform/socket_shim.h"

#include "platform/win32/winsock_win32.h"

namespace korvex {

bool StartSockets() {
  if (StartWinsock()) return true;
  WSASetLastError(WSANOTINITIALISED);
  return false;
}

namespace {

// Winsock sockets are not inherited unless asked; they block and delay
// small frames unless told otherwise.
NativeSocket Tuned(SOCKET socket) {
  if (socket == INVALID_SOCKET) return kNoSocket;
  u_long non_blocking = 1;
  ioctlsocket(socket, FIONBIO, &non_blocking);
  const BOOL one = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return socket;
}

}  // namespace

NativeSocket OpenStreamSocket(int family) {
  return Tuned(socket(family, SOCK_STREAM, IPPROTO_TCP));
}

NativeSocket AcceptStream(NativeSocket listener, sockaddr_in& peer) {
  int length = sizeof peer;
  return Tuned(accept(listener, reinterpret_cast<sockaddr*>(&peer), &length));
}

void AllowQuickRebind(NativeSocket) {
  // Address reuse on Windows would let a second listener share the port, and
  // a closed listener's port is free again at once anyway.
}

void CloseSocket(NativeSocket socket) {
  closesocket(socket);
}

int LastSocketError() {
  return WSAGetLastError();
}

bool ConnectInProgress(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEALREADY;
}

bool WouldBlock(int error) {
  return error == WSAEWOULDBLOCK;
}

bool Interrupted(int error) {
  return error == WSAEINTR;
}

int ConnectOutcome(NativeSocket socket, IoEvent ready) {
  // Both loops here report a failed connect readable (Winsock's FD_CONNECT
  // with its error, WSAPoll's POLLERR), so a writable one stands; asking the
  // socket would cost a call into the system for each connection.
  if (ready == IoEvent::kWritable) return 0;
  int error = 0;
  int length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return WSAGetLastError();
  }
  return error;
}

bool WaitWritable(NativeSocket socket, int wait_ms) {
  WSAPOLLFD poll{socket, POLLWRNORM, 0};
  return WSAPoll(&poll, 1, wait_ms) > 0;
}

SystemError SocketError(int code) {
  switch (code) {
    case WSAEADDRNOTAVAIL:
      return {ErrorKind::kNotFound, code};
    case WSAEADDRINUSE:
      return {ErrorKind::kBusy, code};
    case WSAEACCES:
      return {ErrorKind::kAccessDenied, code};
    case WSAECONNREFUSED:
      return {ErrorKind::kRefused, code};
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAENETDOWN:
      return {ErrorKind::kUnreachable, code};
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAESHUTDOWN:
    case WSAENOTCONN:
    case WSAENETRESET:
      return {ErrorKind::kBroken, code};
    case WSAETIMEDOUT:
      return {ErrorKind::kTimedOut, code};
    default:
      return {ErrorKind::kOther, code};
  }
}

SystemError ResolveError(int code) {
  switch (code) {
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
      return {ErrorKind::kNotFound, code};
    case WSATRY_AGAIN:
      return {ErrorKind::kUnreachable, code};
    default:
      return SocketError(code);
  }
}

std::string SocketsVersionText() {
  return WinsockVersionText();
}

std::string SystemHostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "?";
  return std::string(name, size);
}

}  // namespace korvex
