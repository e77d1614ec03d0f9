#include "test_sockets.h"

#include "platform/win32/winsock_win32.h"

namespace korvex {

bool OpenTestSocketPair(IoHandle (&ends)[2]) {
  SOCKET pair[2];
  if (!OpenLoopbackPair(pair)) return false;
  ends[0] = static_cast<IoHandle>(pair[0]);
  ends[1] = static_cast<IoHandle>(pair[1]);
  return true;
}

IoHandle OpenTestHungUpHandle() {
  SOCKET pair[2];
  if (!OpenLoopbackPair(pair)) return kNoIoHandle;
  const linger abortive{1, 0};
  setsockopt(pair[1], SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
             sizeof abortive);
  closesocket(pair[1]);
  return static_cast<IoHandle>(pair[0]);
}

IoHandle OpenTestListener(int& port, bool listening) {
  if (!StartWinsock()) return kNoIoHandle;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (listener == INVALID_SOCKET ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      (listening && listen(listener, 8) != 0) ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener != INVALID_SOCKET) closesocket(listener);
    return kNoIoHandle;
  }
  port = ntohs(address.sin_port);
  return static_cast<IoHandle>(listener);
}

IoHandle StartTestConnect(int port) {
  if (!StartWinsock()) return kNoIoHandle;
  const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  u_long non_blocking = 1;
  ioctlsocket(client, FIONBIO, &non_blocking);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return static_cast<IoHandle>(client);
}

IoHandle AcceptTestHandle(IoHandle listener) {
  const SOCKET peer = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  return peer == INVALID_SOCKET ? kNoIoHandle : static_cast<IoHandle>(peer);
}

void ShutdownTestHandle(IoHandle handle) {
  shutdown(static_cast<SOCKET>(handle), SD_BOTH);
}

void CloseTestHandle(IoHandle handle) {
  if (handle != kNoIoHandle) closesocket(static_cast<SOCKET>(handle));
}

std::ptrdiff_t WriteTestHandle(IoHandle handle, const char* bytes, std::size_t size) {
  return send(static_cast<SOCKET>(handle), bytes, static_cast<int>(size), 0);
}

std::ptrdiff_t ReadTestHandle(IoHandle handle, char* bytes, std::size_t size) {
  return recv(static_cast<SOCKET>(handle), bytes, static_cast<int>(size), 0);
}

}  // namespace korvex
