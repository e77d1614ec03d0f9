#include "tcp_listener.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/winsock_win32.h"

namespace vx2::sim {
namespace {

constexpr int kBacklog = 16;

std::string AddressText(const sockaddr_in& address) {
  char host[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

std::string ErrorText(int error) {
  switch (error) {
    case WSAEADDRINUSE:
      return "adresa je již používána";
    case WSAEADDRNOTAVAIL:
      return "adresa na tomto počítači není";
    case WSAEACCES:
      return "přístup odepřen";
    default:
      return "chyba Winsock " + std::to_string(error);
  }
}

bool MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0;
}

}  // namespace

TcpListener::~TcpListener() {
  if (fd_ != korvex::kNoIoHandle) closesocket(static_cast<SOCKET>(fd_));
}

bool TcpListener::Open(const std::string& host, std::uint16_t port, bool listen,
                       std::string& error) {
  const std::string service = std::to_string(port);
  if (!korvex::StartWinsock()) {
    error = "port " + host + ":" + service + " nelze otevřít: Winsock nelze spustit";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    error = "adresu " + host + " nelze použít: " + ErrorText(rc);
    return false;
  }
  // No address reuse: on Windows it would let a second simulator share the
  // port, and a closed listener's port is free again at once anyway.
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const bool bound = socket != INVALID_SOCKET && MakeNonBlocking(socket) &&
                     bind(socket, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0 &&
                     (!listen || ::listen(socket, kBacklog) == 0);
  const int cause = WSAGetLastError();
  freeaddrinfo(found);
  if (socket != INVALID_SOCKET) fd_ = static_cast<korvex::IoHandle>(socket);
  if (!bound) {
    error = "port " + host + ":" + service + " nelze otevřít: " + ErrorText(cause);
    return false;
  }
  return true;
}

std::string TcpListener::LocalAddress() const {
  sockaddr_in address{};
  int length = sizeof address;
  if (getsockname(static_cast<SOCKET>(fd_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return "?";
  }
  return AddressText(address);
}

korvex::IoHandle TcpListener::Accept(std::string& peer) {
  sockaddr_in address{};
  int length = sizeof address;
  const SOCKET socket =
      accept(static_cast<SOCKET>(fd_), reinterpret_cast<sockaddr*>(&address), &length);
  if (socket == INVALID_SOCKET) return korvex::kNoIoHandle;
  // Answers and their split segments go out at once, not when Nagle allows.
  const BOOL one = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  MakeNonBlocking(socket);
  peer = AddressText(address);
  return static_cast<korvex::IoHandle>(socket);
}

}  // namespace vx2::sim
