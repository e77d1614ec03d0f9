// The TCP socket client over Winsock 2: non-blocking, TCP_NODELAY.
#pragma once

#include <cstdint>
#include <string>

#include "platform/socket_client.h"

namespace korvex {

class Win32SocketClient : public SocketClient {
 public:
  Win32SocketClient();
  ~Win32SocketClient() override;
  Win32SocketClient(const Win32SocketClient&) = delete;
  Win32SocketClient& operator=(const Win32SocketClient&) = delete;

  ConnectState Connect(const std::string& host, int port) override;
  ConnectState FinishConnect() override;
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
