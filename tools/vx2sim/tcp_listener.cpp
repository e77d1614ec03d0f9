#include "tcp_listener.h"

#include "platform/socket_shim.h"

namespace vx2::sim {
namespace {

constexpr int kBacklog = 16;

std::string AddressText(const sockaddr_in& address) {
  char host[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

TcpListener::~TcpListener() {
  if (fd_ != korvex::kNoIoHandle) korvex::CloseSocket(korvex::AsSocket(fd_));
}

bool TcpListener::Open(const std::string& host, std::uint16_t port, bool listen,
                       std::string& error) {
  const std::string service = std::to_string(port);
  const auto fail = [&](korvex::SystemError cause) {
    error =
        "port " + host + ":" + service + " nelze otevřít (" + korvex::SocketErrorText(cause) + ")";
    return false;
  };
  if (!korvex::StartSockets()) return fail(korvex::SocketError(korvex::LastSocketError()));
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    error = "adresu " + host + " nelze použít (" +
            korvex::SocketErrorText(korvex::ResolveError(rc)) + ")";
    return false;
  }
  const korvex::NativeSocket socket = korvex::OpenStreamSocket(AF_INET);
  // A port that only refuses must not be shared, so it goes without reuse.
  if (socket != korvex::kNoSocket && listen) korvex::AllowQuickRebind(socket);
  const bool bound = socket != korvex::kNoSocket &&
                     bind(socket, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0 &&
                     (!listen || ::listen(socket, kBacklog) == 0);
  const int cause = korvex::LastSocketError();
  freeaddrinfo(found);
  if (socket != korvex::kNoSocket) fd_ = static_cast<korvex::IoHandle>(socket);
  return bound || fail(korvex::SocketError(cause));
}

std::string TcpListener::LocalAddress() const {
  sockaddr_in address{};
  korvex::SocketLength length = sizeof address;
  if (getsockname(korvex::AsSocket(fd_), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return "?";
  return AddressText(address);
}

korvex::IoHandle TcpListener::Accept(std::string& peer) {
  sockaddr_in address{};
  const korvex::NativeSocket socket = korvex::AcceptStream(korvex::AsSocket(fd_), address);
  if (socket == korvex::kNoSocket) return korvex::kNoIoHandle;
  peer = AddressText(address);
  return static_cast<korvex::IoHandle>(socket);
}

}  // namespace vx2::sim
