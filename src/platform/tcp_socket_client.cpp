#include "platform/tcp_socket_client.h"

#include "platform/socket_shim.h"

namespace korvex {
namespace {

// A frame is at most 259 bytes, so a write that cannot go out within this
// time means the connection is dead.
constexpr int kWriteWaitMs = 5000;

}  // namespace

TcpSocketClient::TcpSocketClient() {
  StartSockets();
}

TcpSocketClient::~TcpSocketClient() {
  Disconnect();
}

ConnectState TcpSocketClient::Fail(int error) {
  last_error_ = SocketErrorText(SocketError(error));
  Disconnect();
  return ConnectState::kFailed;
}

ConnectState TcpSocketClient::Connect(const std::string& host, int port) {
  Disconnect();
  if (!StartSockets()) return Fail(LastSocketError());
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    last_error_ = "neznámý počítač " + host + " (" + SocketErrorText(ResolveError(rc)) + ")";
    return ConnectState::kFailed;
  }
  const NativeSocket created = OpenStreamSocket(found->ai_family);
  if (created == kNoSocket) {
    const int error = LastSocketError();
    freeaddrinfo(found);
    return Fail(error);
  }
  socket_ = static_cast<IoHandle>(created);
  const int rc = connect(created, found->ai_addr, static_cast<int>(found->ai_addrlen));
  const int error = LastSocketError();
  freeaddrinfo(found);
  if (rc == 0) {
    connected_ = true;
    return ConnectState::kConnected;
  }
  if (ConnectInProgress(error)) return ConnectState::kInProgress;
  return Fail(error);
}

ConnectState TcpSocketClient::FinishConnect(IoEvent ready) {
  if (socket_ == kNoIoHandle) return ConnectState::kFailed;
  const int error = ConnectOutcome(AsSocket(socket_), ready);
  if (ConnectInProgress(error)) return ConnectState::kInProgress;
  if (error != 0) return Fail(error);
  connected_ = true;
  return ConnectState::kConnected;
}

void TcpSocketClient::Disconnect() {
  if (socket_ != kNoIoHandle) CloseSocket(AsSocket(socket_));
  socket_ = kNoIoHandle;
  connected_ = false;
}

bool TcpSocketClient::Receive(std::string& into) {
  if (socket_ == kNoIoHandle) return false;
  char chunk[4096];
  for (;;) {
    const auto n = recv(AsSocket(socket_), chunk, sizeof chunk, 0);
    if (n > 0) {
      into.append(chunk, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      last_error_ = "spojení ukončeno protistranou";
      return false;
    }
    const int error = LastSocketError();
    if (Interrupted(error)) continue;
    if (WouldBlock(error)) return true;
    last_error_ = SocketErrorText(SocketError(error));
    return false;
  }
}

bool TcpSocketClient::Write(std::string_view data) {
  if (socket_ == kNoIoHandle) {
    last_error_ = "spojení není navázáno";
    return false;
  }
  while (!data.empty()) {
    const auto n = send(AsSocket(socket_), data.data(), static_cast<int>(data.size()), kSendFlags);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    const int error = LastSocketError();
    if (Interrupted(error)) continue;
    if (WouldBlock(error)) {
      if (WaitWritable(AsSocket(socket_), kWriteWaitMs)) continue;
      last_error_ = "odeslání se nezdařilo v časovém limitu";
      return false;
    }
    last_error_ = SocketErrorText(SocketError(error));
    return false;
  }
  return true;
}

std::string TcpSocketClient::VersionText() const {
  return SocketsVersionText();
}

std::string TcpSocketClient::LocalHostName() const {
  return SystemHostName();
}

}  // namespace korvex
