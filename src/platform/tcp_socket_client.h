// The TCP socket client on every platform: non-blocking, TCP_NODELAY, over
// the thin per-platform socket shim (native_socket.h).
#pragma once

#include <string>

#include "platform/socket_client.h"

namespace korvex {

class TcpSocketClient : public SocketClient {
 public:
  TcpSocketClient();
  ~TcpSocketClient() override;
  TcpSocketClient(const TcpSocketClient&) = delete;
  TcpSocketClient& operator=(const TcpSocketClient&) = delete;

  ConnectState Connect(const std::string& host, int port) override;
  ConnectState FinishConnect(IoEvent ready) override;
  bool Connected() const override { return connected_; }
  void Disconnect() override;
  IoHandle Handle() const override { return socket_; }
  bool Receive(std::string& into) override;
  bool Write(std::string_view data) override;
  std::string LastError() const override { return last_error_; }
  std::string VersionText() const override;
  std::string LocalHostName() const override;

 private:
  ConnectState Fail(int error);

  IoHandle socket_ = kNoIoHandle;
  bool connected_ = false;
  std::string last_error_;
};

}  // namespace korvex
