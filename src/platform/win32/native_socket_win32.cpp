#include "platform/socket_shim.h"

#include "platform/win32/winsock_win32.h"

namespace korvex {

bool StartSockets() {
  if (StartWinsock()) return true;
  WSASetLastError(WSANOTINITIALISED);
  return false;
}

NativeSocket OpenStreamSocket(int family) {
  const SOCKET created = socket(family, SOCK_STREAM, IPPROTO_TCP);
  if (created == INVALID_SOCKET) return kNoSocket;
  u_long non_blocking = 1;
  ioctlsocket(created, FIONBIO, &non_blocking);
  const BOOL one = TRUE;
  setsockopt(created, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return created;
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

int ConnectOutcome(NativeSocket socket) {
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

std::string OtherSocketErrorText(int error) {
  return "chyba Winsock " + std::to_string(error);
}

std::string ResolveErrorText(int code) {
  return OtherSocketErrorText(code);
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
