#include "platform/win32/winsock_win32.h"

#include <mutex>

namespace korvex {
namespace {

struct Startup {
  Startup() { started = WSAStartup(MAKEWORD(2, 2), &data) == 0; }
  WSADATA data{};
  bool started = false;
};

const Startup& TheStartup() {
  static const Startup startup;
  return startup;
}

}  // namespace

bool StartWinsock() {
  return TheStartup().started;
}

std::string WinsockVersionText() {
  const Startup& startup = TheStartup();
  if (!startup.started) return "Winsock";
  return "Winsock " + std::to_string(LOBYTE(startup.data.wVersion)) + "." +
         std::to_string(HIBYTE(startup.data.wVersion));
}

bool OpenLoopbackPair(SOCKET (&ends)[2]) {
  ends[0] = ends[1] = INVALID_SOCKET;
  if (!StartWinsock()) return false;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  bool ok = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener, 1) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (ok) {
    ends[0] = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ok = ends[0] != INVALID_SOCKET &&
         connect(ends[0], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  if (ok) {
    ends[1] = accept(listener, nullptr, nullptr);
    ok = ends[1] != INVALID_SOCKET;
  }
  closesocket(listener);
  u_long non_blocking = 1;
  for (SOCKET end : ends) {
    ok = ok && ioctlsocket(end, FIONBIO, &non_blocking) == 0;
  }
  if (!ok) {
    for (SOCKET& end : ends) {
      if (end != INVALID_SOCKET) closesocket(end);
      end = INVALID_SOCKET;
    }
  }
  return ok;
}

}  // namespace korvex
