#include "platform/win32/socket_client_win32.h"

#include <ws2tcpip.h>

#include "platform/win32/winsock_win32.h"

namespace korvex {
namespace {

// A frame is at most 259 bytes, so a write that cannot go out within this
// time means the connection is dead.
constexpr int kWriteWaitMs = 5000;

// The operator reads these in the log, so the common cases are in Czech.
std::string SocketErrorText(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return "spojení odmítnuto";
    case WSAETIMEDOUT:
      return "vypršel časový limit spojení";
    case WSAEHOSTUNREACH:
      return "cílový počítač je nedostupný";
    case WSAENETUNREACH:
      return "síť je nedostupná";
    case WSAECONNRESET:
      return "spojení zrušeno protistranou";
    case WSAECONNABORTED:
    case WSAESHUTDOWN:
      return "spojení je přerušeno";
    case WSANOTINITIALISED:
      return "Winsock nelze spustit";
    default:
      return "chyba Winsock " + std::to_string(error);
  }
}

SOCKET AsSocket(IoHandle handle) {
  return static_cast<SOCKET>(handle);
}

// The poll events of the socket now, without waiting.
SHORT PollNow(SOCKET socket, SHORT events) {
  WSAPOLLFD poll{socket, events, 0};
  return WSAPoll(&poll, 1, 0) < 0 ? POLLERR : poll.revents;
}

}  // namespace

Win32SocketClient::Win32SocketClient() {
  StartWinsock();
}

Win32SocketClient::~Win32SocketClient() {
  Disconnect();
}

ConnectState Win32SocketClient::Fail(int error) {
  last_error_ = SocketErrorText(error);
  Disconnect();
  return ConnectState::kFailed;
}

ConnectState Win32SocketClient::Connect(const std::string& host, int port) {
  Disconnect();
  if (!StartWinsock()) return Fail(WSANOTINITIALISED);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    last_error_ = "neznámý počítač " + host + " (chyba Winsock " + std::to_string(rc) + ")";
    return ConnectState::kFailed;
  }
  const SOCKET created = socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
  if (created == INVALID_SOCKET) {
    freeaddrinfo(found);
    return Fail(WSAGetLastError());
  }
  socket_ = static_cast<IoHandle>(created);
  u_long non_blocking = 1;
  ioctlsocket(created, FIONBIO, &non_blocking);
  const BOOL one = TRUE;
  setsockopt(created, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  const int rc = connect(created, found->ai_addr, static_cast<int>(found->ai_addrlen));
  const int error = WSAGetLastError();
  freeaddrinfo(found);
  if (rc == 0) {
    connected_ = true;
    return ConnectState::kConnected;
  }
  if (error == WSAEWOULDBLOCK) return ConnectState::kInProgress;
  return Fail(error);
}

ConnectState Win32SocketClient::FinishConnect() {
  if (socket_ == kNoIoHandle) return ConnectState::kFailed;
  int error = 0;
  int length = sizeof error;
  if (getsockopt(AsSocket(socket_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                 &length) != 0) {
    return Fail(WSAGetLastError());
  }
  if (error != 0) return Fail(error);
  // SO_ERROR stays 0 while the connect is still under way.
  const SHORT ready = PollNow(AsSocket(socket_), POLLWRNORM);
  if (ready & (POLLERR | POLLHUP)) return Fail(WSAECONNREFUSED);
  if (!(ready & POLLWRNORM)) return ConnectState::kInProgress;
  connected_ = true;
  return ConnectState::kConnected;
}

void Win32SocketClient::Disconnect() {
  if (socket_ != kNoIoHandle) closesocket(AsSocket(socket_));
  socket_ = kNoIoHandle;
  connected_ = false;
}

bool Win32SocketClient::Receive(std::string& into) {
  if (socket_ == kNoIoHandle) return false;
  char chunk[4096];
  for (;;) {
    const int n = recv(AsSocket(socket_), chunk, sizeof chunk, 0);
    if (n > 0) {
      into.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      last_error_ = "spojení ukončeno protistranou";
      return false;
    }
    const int error = WSAGetLastError();
    if (error == WSAEINTR) continue;
    if (error == WSAEWOULDBLOCK) return true;
    last_error_ = SocketErrorText(error);
    return false;
  }
}

bool Win32SocketClient::Write(std::string_view data) {
  if (socket_ == kNoIoHandle) {
    last_error_ = "spojení není navázáno";
    return false;
  }
  while (!data.empty()) {
    const int n = send(AsSocket(socket_), data.data(), static_cast<int>(data.size()), 0);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    const int error = WSAGetLastError();
    if (error == WSAEINTR) continue;
    if (error == WSAEWOULDBLOCK) {
      WSAPOLLFD poll{AsSocket(socket_), POLLWRNORM, 0};
      if (WSAPoll(&poll, 1, kWriteWaitMs) > 0) continue;
      last_error_ = "odeslání se nezdařilo v časovém limitu";
      return false;
    }
    last_error_ = SocketErrorText(error);
    return false;
  }
  return true;
}

std::string Win32SocketClient::VersionText() const {
  return WinsockVersionText();
}

std::string Win32SocketClient::LocalHostName() const {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return "?";
  return std::string(name, size);
}

}  // namespace korvex
